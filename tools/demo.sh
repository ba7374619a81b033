#!/usr/bin/env bash
# ./dev demo: a receiver simulator on a pseudo-terminal, driven through the
# library's local server by gridctl: identity, a few parameters, live data.
set -euo pipefail
bin="${1:?usage: demo.sh BUILD_DIR}/bin"
for tool in rcvsim gridctl; do
  [ -x "$bin/$tool" ] || { echo "demo: $bin/$tool is not built" >&2; exit 2; }
done

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
echo "Receiver simulator on $pty (receiver string $rcv)"
echo
echo "== Identity and parameters"
"$bin/gridctl" --receiver "$rcv" print,/par/rcv/model print,/par/rcvid print,/par/pos/elm print,/par/cur/term/rate
echo
echo "== Five position/velocity messages (PV) at 1 Hz"
"$bin/gridctl" --receiver "$rcv" --attach 0 PV:1 --count 5 --timeout 15000
if [ -x "$bin/stelvan-decode" ]; then
  echo
  echo "== NMEA output decoded by stelvan-decode"
  "$bin/gridctl" --receiver "$rcv" --attach 2 GGA:1,RMC:1 --count 4 --timeout 15000 |
    awk '{print $3}' | xxd -r -p | "$bin/stelvan-decode" || true
fi
echo
echo "The window program arrives with a later change; then './dev demo' opens it on this simulator."
