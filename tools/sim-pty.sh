# Sourced by demo.sh and screenshot.sh: starts the receiver simulator on a pseudo-terminal
# with its own settings folder, sets $pty and $work, and stops it when the script exits.
# Usage: start_sim BIN_DIR WHO (RCVSIM_EXTRA: more simulator options)
start_sim() {
  local bin="$1" who="$2"
  work="$(mktemp -d)"
  local fifo="$work/keep-open"
  # The local server remembers the last receiver; keep the simulator's pty out of the user's settings.
  export XDG_CONFIG_HOME="$work/config"
  mkfifo "$fifo"
  # rcvsim serves until its standard input ends; hold it open with a fifo.
  "$bin/rcvsim" --pty --port-b --seed 7 ${RCVSIM_EXTRA:-} <"$fifo" >"$work/rcvsim.out" 2>"$work/rcvsim.err" &
  sim=$!
  exec 3>"$fifo"
  trap 'exec 3>&-; kill "$sim" 2>/dev/null || true; wait "$sim" 2>/dev/null || true; rm -rf "$work"' EXIT
  pty=""
  for _ in $(seq 50); do
    pty="$(sed -n 's/^pty //p' "$work/rcvsim.out" | head -1)"
    [ -n "$pty" ] && break
    sleep 0.1
  done
  [ -n "$pty" ] || { echo "$who: the simulator did not start" >&2; cat "$work/rcvsim.err" >&2; exit 2; }
  # Port B takes RTCM 3 corrections ("Corrections input").
  ptyb="$(sed -n 's/^ptyb //p' "$work/rcvsim.out" | head -1)"
}
