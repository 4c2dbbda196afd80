# Shared by the terminal tests: a tmux session of their own, a work folder, and waits on what the
# screen shows. Source it after setting `session`; `wait_seconds` (5 unless set) bounds each wait.
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

# How many 50 ms steps a wait takes at most.
steps=$(( ${wait_seconds:-5} * 20 ))

# Waits until the screen holds the text (fixed string).
wait_for() {
  for _ in $(seq 1 "$steps"); do
    tmux capture-pane -p -t "$session" | grep -qF -- "$1" && return 0
    sleep 0.05
  done
  fail "the screen never showed: $1"
}

# Waits until the screen holds the text (fixed string) on at least N lines.
wait_for_lines() {
  for _ in $(seq 1 "$steps"); do
    [ "$(tmux capture-pane -p -t "$session" | grep -cF -- "$1")" -ge "$2" ] && return 0
    sleep 0.05
  done
  fail "the screen never showed $2 lines with: $1"
}

# Waits until the screen no longer holds the text (fixed string).
wait_gone() {
  for _ in $(seq 1 "$steps"); do
    tmux capture-pane -p -t "$session" | grep -qF -- "$1" || return 0
    sleep 0.05
  done
  fail "the screen still shows: $1"
}
