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
# Every satellite system, so that the sky plot pictures show a crowded sky.
RCVSIM_EXTRA=--all-systems start_sim "$bin" screenshot

# A caster for the "Corrections input" picture: the suite's small caster serving a recorded
# RTCM 3 stream and a source table around the simulator's site.
shared="$(sed -n 's/^STELVAN_SHARED_DIR:[A-Z]*=//p' "$bin/../CMakeCache.txt" 2>/dev/null || true)"
capture="${STELVAN_SHARED_DIR:-$shared}/data/captures/pygpsdata-NTRIP-USCL00CHL0.log"
if [ -x "$bin/ntrip-testcaster" ] && [ -f "$capture" ] && [ -n "${ptyb:-}" ]; then
  cat >"$work/sourcetable" <<'TABLE'
STR;MUNICH;Muenchen;RTCM 3.2;1004(1),1006(10);2;GPS;DEMO;DEU;48.14;11.58;0;0;sNTRIP;none;B;N;2400;
STR;BERN;Bern;RTCM 3.3;1005(10),1077(1);2;GPS;DEMO;CHE;46.95;7.44;0;0;sNTRIP;none;B;N;3600;
STR;NEAR;Zurich Hoengg;RTCM 3.3;1005(10),1077(1),1087(1);2;GPS+GLO;DEMO;CHE;47.41;8.50;1;0;sNTRIP;none;B;N;4800;
STR;VRS;Network RTK;RTCM 3.3;1077(1);2;GPS+GLO+GAL;DEMO;CHE;47.00;8.00;1;1;sNTRIP;none;B;N;9600;
TABLE
  mkfifo "$work/caster-in"
  "$bin/ntrip-testcaster" NEAR rover screen "$capture" "$work/sourcetable" <"$work/caster-in" >"$work/caster.out" &
  caster=$!
  exec 4>"$work/caster-in"
  trap 'exec 3>&- 4>&-; kill "$sim" "$caster" 2>/dev/null || true; wait 2>/dev/null || true; rm -rf "$work"' EXIT
  for _ in $(seq 50); do grep -q '^port ' "$work/caster.out" && break; sleep 0.1; done
  export STELVAN_SCREENSHOT_NTRIP="127.0.0.1 $(sed -n 's/^port //p' "$work/caster.out") NEAR rover screen COM$ptyb:115200"
fi

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
# The main view after its receiver went away: its window test leaves lost.png.
if [ -x "$bin/test_app_session" ]; then
  STELVAN_SCREENSHOT_DIR="$out" QT_QPA_PLATFORM=offscreen timeout 120 \
    "$bin/test_app_session" --gtest_filter='*LostReceiver*' >"$work/lost.log" 2>&1 || status=$?
  [ -f "$out/lost.png" ] && echo "screenshot: $out/lost.png" || cat "$work/lost.log" >&2
fi
if [ "$status" = 0 ]; then
  echo "screenshot: pictures in $out"
else
  echo "screenshot: some pictures were not taken (status $status); the others are in $out" >&2
fi
exit "$status"
