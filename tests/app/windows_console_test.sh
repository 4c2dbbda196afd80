#!/usr/bin/env bash
# The Windows build in a console window of Wine, whose console is shown in a real terminal
# (tmux): with the console's code page set to 936 and to 65001, the program's texts and a
# Chinese reply show as Chinese, and a Chinese command typed there reaches the server as UTF-8.
# (Wine has no GB18030 code page, so characters GBK lacks, an emoji among them, show as "?"
# under Wine; a Windows console shows them.)
#   windows_console_test.sh CLIENT_EXE DEMO_SERVER_EXE
set -euo pipefail
client=$1
server=$2
session="rcon-windows-console-$$"
wait_seconds=10  # Wine starts slowly
source "$(dirname "$0")/tmux_session.sh"

wine "$server" 0 demo >"$work/port" 2>/dev/null &
server_pid=$!
for _ in $(seq 1 200); do [ -s "$work/port" ] && break; sleep 0.05; done
port=$(head -n1 "$work/port" | tr -d '\r')
[ -n "$port" ] || { echo "FAIL: the demo server did not start"; exit 1; }

for code_page in 936 65001; do
  trace="$work/trace-$code_page"
  tmux -f /dev/null new-session -d -s "$session" -x 120 -y 30 \
    "export LANG=zh_CN.UTF-8 LC_ALL=zh_CN.UTF-8 RCON_CONSOLE_TRACE='$trace'; wine cmd /c 'chcp $code_page >nul & $client 127.0.0.1 $port demo'; sleep 30"
  wait_for "成功连接到目标服务器"
  tmux send-keys -t "$session" "chinese" Enter
  wait_for "你好，世界"
  tmux send-keys -t "$session" "echo 中文" Enter
  for _ in $(seq 1 100); do grep -qF 'body=11 "echo 中文"' "$trace" 2>/dev/null && break; sleep 0.05; done
  grep -qF 'body=11 "echo 中文"' "$trace" || fail "code page $code_page: the command did not go as UTF-8"
  [ "$(tmux capture-pane -p -t "$session" | grep -cxF "中文")" -ge 1 ] || fail "code page $code_page: the echo did not show"
  tmux kill-session -t "$session"
done
echo "Windows console test passed"
