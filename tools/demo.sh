#!/usr/bin/env bash
# ./dev demo: a receiver simulator on a pseudo-terminal and the window program opened on it.
set -euo pipefail
bin="${1:?usage: demo.sh BUILD_DIR}/bin"
for tool in rcvsim stelvan; do
  [ -x "$bin/$tool" ] || { echo "demo: $bin/$tool is not built" >&2; exit 2; }
done
if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
  echo "demo: no display to open the window on. Run it under a virtual one, for example" >&2
  echo "  xvfb-run -a ./dev demo" >&2
  echo "or take pictures of it with: ./dev screenshot" >&2
  exit 2
fi

work="$(mktemp -d)"
fifo="$work/keep-open"
# The local server remembers the last receiver; keep the demo's pty out of the user's settings.
export XDG_CONFIG_HOME="$work/config"
mkfifo "$fifo"
# rcvsim serves until its standard input ends; hold it open with a fifo.
"$bin/rcvsim" --pty --seed 7 <"$fifo" >"$work/rcvsim.out" 2>"$work/rcvsim.err" &
sim=$!
exec 3>"$fifo"
cleanup() { exec 3>&-; kill "$sim" 2>/dev/null || true; wait "$sim" 2>/dev/null || true; rm -rf "$work"; }
trap cleanup EXIT

pty=""
for _ in $(seq 50); do
  pty="$(sed -n 's/^pty //p' "$work/rcvsim.out" | head -1)"
  [ -n "$pty" ] && break
  sleep 0.1
done
[ -n "$pty" ] || { echo "demo: the simulator did not start" >&2; cat "$work/rcvsim.err" >&2; exit 2; }
rcv="COM$pty:115200:1"
echo "Receiver simulator on $pty; opening Stelvan on $rcv (close the window to end the demo)"
"$bin/stelvan" --receiver "$rcv"
