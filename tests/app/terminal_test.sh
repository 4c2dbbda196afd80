#!/usr/bin/env bash
# The client in a real terminal (tmux): the prompt shows before typing, the password is not
# echoed, the screen is cleared after connecting, and Chinese reads right in a UTF-8 locale.
#   terminal_test.sh CLIENT DEMO_SERVER
set -euo pipefail
client=$1
server=$2
session="rcon-terminal-test-$$"
work=$(mktemp -d)
cleanup() {
  tmux kill-session -t "$session" 2>/dev/null || true
  [ -n "${server_pid:-}" ] && kill "$server_pid" 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT

fail() {
  echo "FAIL: $1"
  echo "--- screen ---"
  tmux capture-pane -p -t "$session" || true
  exit 1
}

# Waits until the screen holds the text (fixed string), within five seconds.
wait_for() {
  for _ in $(seq 1 100); do
    tmux capture-pane -p -t "$session" | grep -qF -- "$1" && return 0
    sleep 0.05
  done
  fail "the screen never showed: $1"
}

"$server" 0 hunter2 >"$work/port" &
server_pid=$!
for _ in $(seq 1 100); do [ -s "$work/port" ] && break; sleep 0.05; done
port=$(head -n1 "$work/port")
[ -n "$port" ] || { echo "FAIL: the demo server did not start"; exit 1; }

export LC_ALL=C.UTF-8
tmux -f /dev/null new-session -d -s "$session" -x 120 -y 30 "$client"
wait_for "请填写目标Rcon服务器的IP或域名："
tmux send-keys -t "$session" "127.0.0.1" Enter
wait_for "请填写目标Rcon服务器的端口："
tmux send-keys -t "$session" "$port" Enter
wait_for "请填写目标Rcon服务器的密码："
tmux send-keys -t "$session" "hunter2"
sleep 0.3
tmux capture-pane -p -t "$session" | grep -qF "hunter2" && fail "the password was echoed"
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
echo "terminal test passed"
