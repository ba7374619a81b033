#!/usr/bin/env bash
# check-programs.sh BIN_DIR SOURCE_DIR VERSION PROGRAM...
# What the package promises of the built programs, checked on every build: each answers
# --version with the package's version, the example logger settings use only options that
# stelvan-log has, the udev rule names the vendors the USB link looks for, and the service
# starts the logger as the README says.
set -uo pipefail
bin=$1 src=$2 version=$3
shift 3
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }

# The version text is all these runs are about; leak checking of a sanitizer build is not.
export ASAN_OPTIONS="${ASAN_OPTIONS:-}:detect_leaks=0"
for p in "$@"; do
  got=$("$bin/$p" --version 2>&1) || fail "$p --version exits $?"
  [ "$got" = "$p $version" ] || fail "$p --version printed '$got', not '$p $version'"
done

help=$("$bin/stelvan-log" --help)
while IFS= read -r line; do
  key=$(sed -E 's/^[[:space:]]*([A-Za-z0-9-]+)[[:space:]]*=.*/\1/' <<<"$line")
  grep -q -- "--$key\b" <<<"$help" || fail "example setting '$key' is not an option of stelvan-log"
done < <(grep -E '^[[:space:]]*[A-Za-z]' "$src/packaging/examples/log-base1.conf")

source_vendors=$(grep -E 'kReceiverVendors\[\] *=' "$src/gridlink/platform/UsbReceiverList.cpp" |
  grep -oE '"[0-9a-fA-F]{4}"' | tr -d '"' | tr 'A-F' 'a-f' | sort -u)
rule_vendors=$(grep -v '^#' "$src/packaging/udev/60-stelvan.rules" | grep -oE 'ATTR\{idVendor\}=="[0-9a-fA-F]{4}"' |
  grep -oE '[0-9a-fA-F]{4}' | tr 'A-F' 'a-f' | sort -u)
[ -n "$source_vendors" ] || fail "no vendor list found in UsbReceiverList.cpp"
[ "$source_vendors" = "$rule_vendors" ] || fail "udev rule vendors '$rule_vendors' differ from the USB link's '$source_vendors'"

unit="$src/packaging/systemd/stelvan-log@.service"
for want in 'ExecStart=/usr/bin/stelvan-log --config /etc/stelvan/log-%i.conf' 'User=stelvan-log' \
  'SupplementaryGroups=dialout' 'StateDirectory=stelvan-log/%i' 'Restart=on-failure' 'KillSignal=SIGTERM' \
  'StandardError=journal'; do
  grep -qxF "$want" "$unit" || fail "the service lacks '$want'"
done

[ $failures = 0 ] && echo "all checks passed"
exit $((failures > 0))
