#!/usr/bin/env bash
# The client in a real terminal (tmux): the prompt shows before typing, the password is not
# echoed (nor after Ctrl+Z and fg), the screen is cleared after connecting, Chinese reads right
# in a UTF-8 locale; line editing and history, Ctrl+L and Ctrl+D; a reply's control sequences
# shown and not obeyed; colour codes shown as colours, or removed under NO_COLOR; an emoji both ways.
#   terminal_test.sh CLIENT DEMO_SERVER
set -euo pipefail
client=$1
server=$2
session="rcon-terminal-test-$$"
source "$(dirname "$0")/tmux_session.sh"

"$server" 0 hunter2 >"$work/port" &
server_pid=$!
for _ in $(seq 1 100); do [ -s "$work/port" ] && break; sleep 0.05; done
port=$(head -n1 "$work/port")
[ -n "$port" ] || { echo "FAIL: the demo server did not start"; exit 1; }

export LC_ALL=C.UTF-8
export RCON_CONSOLE_HISTORY="$work/history"
# An interactive shell with job control, so that the client can be stopped (Ctrl+Z) and continued (fg).
tmux -f /dev/null new-session -d -s "$session" -x 120 -y 30 "env PS1='$ ' bash --norc --noprofile -i"
wait_for "$"
tmux send-keys -t "$session" "clear; $client" Enter
wait_for "请填写目标Rcon服务器的IP或域名："
tmux send-keys -t "$session" "127.0.0.1" Enter
wait_for "请填写目标Rcon服务器的端口："
tmux send-keys -t "$session" "$port" Enter
wait_for "请填写目标Rcon服务器的密码："
tmux send-keys -t "$session" "hunt"
sleep 0.3
tmux capture-pane -p -t "$session" | grep -qF "hunt" && fail "the password was echoed"
# Stopped at the hidden prompt (the terminal drops the unfinished line, as it does for any
# program), the shell gets its terminal back as it was; continued, the password is hidden again.
tmux send-keys -t "$session" C-z
wait_for "Stopped"
tmux send-keys -t "$session" "fg" Enter
sleep 0.3
tmux send-keys -t "$session" "hunter2"
sleep 0.3
tmux capture-pane -p -t "$session" | grep -qF "hunter2" && fail "the password was echoed after fg"
tmux send-keys -t "$session" Enter
wait_for "请填写超时时间"
tmux capture-pane -p -t "$session" | grep -qF "hunter2" && fail "the password was echoed"
tmux send-keys -t "$session" Enter
wait_for "成功连接到目标服务器"
wait_for "----------------"
screen=$(tmux capture-pane -p -t "$session")
echo "$screen" | grep -qF "请填写" && fail "the screen was not cleared after connecting"
echo "$screen" | head -n1 | grep -qE '^\[[0-9]{4}-[0-9]{2}-[0-9]{2} [0-9]{2}:[0-9]{2}:[0-9]{2}\] 成功连接到目标服务器$' ||
  fail "the first line is not the success line"
echo "$screen" | grep -qxE "> ?" || fail "the prompt is not visible before typing"  # tmux drops trailing spaces
tmux send-keys -t "$session" "chinese" Enter
wait_for "你好，世界"
tmux send-keys -t "$session" "help" Enter
wait_for "Commands: help"

# Line editing and history: Up recalls the line before; Left and Right move inside Chinese text.
tmux send-keys -t "$session" "echo first-line" Enter
wait_for_lines "first-line" 2
tmux send-keys -t "$session" Up Enter
wait_for_lines "echo first-line" 2  # the line came back, and was sent again
wait_for_lines "first-line" 4       # and the server answered it
tmux send-keys -t "$session" "echo 你好" Left "世" Right "界" Enter
wait_for_lines "你世好界" 2

# Ctrl+L clears the screen here and sends nothing.
tmux send-keys -t "$session" C-l
wait_gone "first-line"

# A reply that tries to clear the screen and write the clipboard is shown, not obeyed.
tmux send-keys -t "$session" "echo still-here" Enter
wait_for_lines "still-here" 2
tmux send-keys -t "$session" "controls" Enter
wait_for "This reply tried to clear the screen"
screen=$(tmux capture-pane -p -t "$session")
echo "$screen" | grep -qF "still-here" || fail "a reply cleared the screen"
echo "$screen" | grep -qF '^[[2J^[[H^[]0;owned^G^[]52;c;' || fail "the reply's control bytes are not shown in caret notation"

# Colour codes become colours (SGR in the pane's content); an emoji goes and comes back.
tmux send-keys -t "$session" "colors" Enter
wait_for "Green Red Blue"
tmux capture-pane -p -e -t "$session" | grep -qF $'\e[92mGreen' || fail "the colour code was not shown as a colour"
tmux send-keys -t "$session" "echo 😀 smile" Enter
wait_for_lines "😀 smile" 2  # typed, and come back from the server

# Ctrl+D on an empty line ends the program, and the next output starts on a line of its own.
tmux send-keys -t "$session" C-d
sleep 0.2
tmux send-keys -t "$session" "echo CLIENT-ENDED" Enter
wait_for_lines "CLIENT-ENDED" 2
tmux capture-pane -p -t "$session" | grep -qx '\$ echo CLIENT-ENDED' || fail "the shell would go on after the prompt"

# The history: each line once in a row, the password never, the file for the user alone.
grep -qF "first-line" "$RCON_CONSOLE_HISTORY" || fail "the history was not saved"
grep -qF "hunter2" "$RCON_CONSOLE_HISTORY" && fail "the password went into the history"
[ "$(stat -c %a "$RCON_CONSOLE_HISTORY")" = 600 ] || fail "the history file is not 0600"
tmux kill-session -t "$session"

# Under NO_COLOR the codes are removed: no colour, no sign.
tmux -f /dev/null new-session -d -s "$session" -x 120 -y 30 "NO_COLOR=1 $client 127.0.0.1 $port hunter2"
wait_for "----------------"
tmux send-keys -t "$session" "colors" Enter
wait_for "Green Red Blue"
tmux capture-pane -p -e -t "$session" | grep -qF $'\e[92m' && fail "NO_COLOR still showed colours"
tmux capture-pane -p -t "$session" | grep -qF "§" && fail "NO_COLOR left the codes in"
echo "terminal test passed"
