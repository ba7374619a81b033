#!/usr/bin/env bash
# check-package.sh SOURCE_DIR VERSION PROGRAM...
# Builds the Debian package with `./dev package`, has lintian check it, unpacks it into a
# temporary root and checks what a system would get: the files, the libraries' versions,
# programs that run from there, manual pages that cover every option, the service (verified
# by systemd against that root), its account, and the desktop entry.
set -uo pipefail
src=$1 version=$2
shift 2
programs=("$@")
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }
root=$(mktemp -d)
trap 'rm -rf "$root"' EXIT

# The package is the release build's, wherever a helper points its own build folder
# (STELVAN_DEB names one already built, to check it alone).
deb="${STELVAN_DEB:-}"
if [ -z "$deb" ]; then
  env -u STELVAN_BUILD_DIR "$src/dev" package || { echo "FAIL: ./dev package"; exit 1; }
  deb="$src/build/release/stelvan_${version}_$(dpkg --print-architecture).deb"
fi
[ -f "$deb" ] || { echo "FAIL: no $deb"; exit 1; }

echo "== lintian"
lintian --fail-on error --tag-display-limit 0 "$deb" || fail "lintian reports errors"

dpkg -x "$deb" "$root" || { echo "FAIL: dpkg -x"; exit 1; }
echo "== files"
(cd "$root" && find . -type f -o -type l | sort)
expect=(
  usr/lib/stelvan/libgridlink.so.0 usr/lib/stelvan/liblinkpanel.so.0
  "usr/lib/stelvan/libgridlink.so.$version" "usr/lib/stelvan/liblinkpanel.so.$version"
  usr/share/applications/stelvan.desktop usr/share/mime/packages/stelvan.xml
  usr/share/icons/hicolor/scalable/apps/stelvan.svg
  usr/lib/systemd/system/stelvan-log@.service usr/lib/sysusers.d/stelvan-log.conf
  usr/lib/udev/rules.d/60-stelvan.rules
  usr/share/doc/stelvan/copyright usr/share/doc/stelvan/changelog.gz
  usr/share/doc/stelvan/examples/log-base1.conf
)
for p in "${programs[@]}"; do expect+=("usr/bin/$p" "usr/share/man/man1/$p.1.gz"); done
for n in 16 22 24 32 48 64 128 256; do expect+=("usr/share/icons/hicolor/${n}x${n}/apps/stelvan.png"); done
for f in "${expect[@]}"; do [ -e "$root/$f" ] || fail "the package lacks /$f"; done
for n in 16 22 24 32 48 64 128 256; do
  file "$root/usr/share/icons/hicolor/${n}x${n}/apps/stelvan.png" | grep -q "$n x $n" || fail "the ${n}x${n} icon is not $n pixels"
done
[ -z "$(find "$root" -name '*.so' -o -path '*/include/*')" ] || fail "development files in the package"

echo "== libraries and programs"
for lib in gridlink linkpanel; do
  soname=$(objdump -p "$root/usr/lib/stelvan/lib$lib.so.$version" | awk '$1 == "SONAME" {print $2}')
  [ "$soname" = "lib$lib.so.0" ] || fail "lib$lib's SONAME is '$soname'"
done
for p in "${programs[@]}"; do
  # The unpacked programs must find the unpacked libraries, not the build's.
  resolved=$(env -u LD_LIBRARY_PATH ldd "$root/usr/bin/$p" | grep -E 'lib(gridlink|linkpanel)' | grep -v "=> $root/usr/\(bin/\.\./\)\?lib/stelvan/")
  [ -z "$resolved" ] || fail "$p finds its libraries elsewhere: $resolved"
  got=$(env -u LD_LIBRARY_PATH "$root/usr/bin/$p" --version 2>&1)
  [ "$got" = "$p $version" ] || fail "/usr/bin/$p --version printed '$got'"
done

echo "== manual pages against --help"
for p in "${programs[@]}"; do
  page=$(zcat "$root/usr/share/man/man1/$p.1.gz" | sed 's/\\-/-/g')
  grep -q "^\.TH \"\?${p^^}\"\? \"\?1\"\? " <<<"$page" || fail "$p.1 is not the page of $p"
  for opt in $(env -u LD_LIBRARY_PATH "$root/usr/bin/$p" --help 2>&1 | grep -oE -- '--[a-z][a-z0-9-]+' | sort -u); do
    grep -qF -- "$opt" <<<"$page" || fail "$p.1 does not mention $opt, which $p --help lists"
  done
done

echo "== service"
# systemd checks the unit against the unpacked root: the program it starts, the targets it names
# (taken from this machine) and its manual page.
mkdir -p "$root/etc"
cp /lib/systemd/system/*.target "$root/usr/lib/systemd/system/" 2>/dev/null
verify=$(MANPATH="$root/usr/share/man" systemd-analyze verify --root="$root" stelvan-log@base1.service 2>&1) ||
  fail "systemd-analyze verify failed"
[ -z "$verify" ] || fail "systemd-analyze verify: $verify"
# The account: created by the package's sysusers file in a root that has the usual dialout group.
echo "dialout:x:20:" >"$root/etc/group"
: >"$root/etc/passwd"
systemd-sysusers --root="$root" >/dev/null 2>&1 || fail "systemd-sysusers failed"
grep -q '^stelvan-log:x:[0-9]*:[0-9]*:[^:]*:/var/lib/stelvan-log:/usr/sbin/nologin$' "$root/etc/passwd" ||
  fail "no system account stelvan-log: $(cat "$root/etc/passwd")"
grep -qE '^dialout:x:20:(.*,)?stelvan-log(,.*)?$' "$root/etc/group" || fail "stelvan-log is not in dialout: $(cat "$root/etc/group")"
for s in postinst prerm postrm; do
  dpkg-deb --ctrl-tarfile "$deb" | tar -xO "./$s" >"$root/$s" 2>/dev/null || fail "no $s script"
  sh -n "$root/$s" || fail "$s is not valid sh"
done

echo "== desktop entry"
desktop-file-validate "$root/usr/share/applications/stelvan.desktop" || fail "desktop-file-validate"
dpkg-deb -f "$deb" Depends | grep -q libqt6widgets6 || fail "Depends misses Qt: $(dpkg-deb -f "$deb" Depends)"

[ $failures = 0 ] && echo "all package checks passed"
exit $((failures > 0))
