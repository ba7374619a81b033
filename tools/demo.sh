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

. "$(dirname "${BASH_SOURCE[0]}")/sim-pty.sh"
start_sim "$bin" demo
rcv="COM$pty:115200:1"
echo "Receiver simulator on $pty; opening Stelvan on $rcv (close the window to end the demo)"
"$bin/stelvan" --receiver "$rcv"
