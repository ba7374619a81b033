#!/usr/bin/env bash
# ./dev screenshot [DIR]: the window program on a receiver simulator under Xvfb (no window
# manager), grabbing its windows into DIR.
set -euo pipefail
bin="${1:?usage: screenshot.sh BUILD_DIR [OUT_DIR]}/bin"
out="$(mkdir -p "${2:-build/screenshots}" && cd "${2:-build/screenshots}" && pwd)"
for tool in rcvsim stelvan; do
  [ -x "$bin/$tool" ] || { echo "screenshot: $bin/$tool is not built" >&2; exit 2; }
done

. "$(dirname "${BASH_SOURCE[0]}")/sim-pty.sh"
start_sim "$bin" screenshot

run=(timeout 480 "$bin/stelvan" --receiver "COM$pty:115200:1" --screenshot "$out")
status=0
if [ "${STELVAN_SCREENSHOT_PLATFORM:-xvfb}" = offscreen ]; then
  QT_QPA_PLATFORM=offscreen "${run[@]}" || status=$?
else
  command -v xvfb-run >/dev/null || { echo "screenshot: xvfb-run is missing (./dev setup installs it)" >&2; exit 2; }
  QT_QPA_PLATFORM=xcb xvfb-run -a -s "-screen 0 1280x1024x24" "${run[@]}" || status=$?
fi
# The Messages window belongs to a remote server: its own window test runs it against a
# gridserver on 127.0.0.1 and leaves messages.png.
if [ -x "$bin/test_app_messages" ] && [ -x "$bin/gridserver" ]; then
  STELVAN_SCREENSHOT_DIR="$out" QT_QPA_PLATFORM=offscreen timeout 120 \
    "$bin/test_app_messages" --gtest_filter='MessageWindowTest.*' >"$work/messages.log" 2>&1 || status=$?
  [ -f "$out/messages.png" ] && echo "screenshot: $out/messages.png" || cat "$work/messages.log" >&2
fi
# The connect dialog's Wi-Fi and GSM receivers: its window test leaves wifi-gsm.png.
if [ -x "$bin/test_linkpanel_link_kinds" ]; then
  STELVAN_SCREENSHOT_DIR="$out" QT_QPA_PLATFORM=offscreen timeout 120 \
    "$bin/test_linkpanel_link_kinds" --gtest_filter='*EveryKind*' >"$work/link-kinds.log" 2>&1 || status=$?
  [ -f "$out/wifi-gsm.png" ] && echo "screenshot: $out/wifi-gsm.png" || cat "$work/link-kinds.log" >&2
fi
if [ "$status" = 0 ]; then
  echo "screenshot: pictures in $out"
else
  echo "screenshot: some pictures were not taken (status $status); the others are in $out" >&2
fi
exit "$status"
