#!/usr/bin/env bash
# Makes the Debian package of this build tree in a scratch folder and checks
# what it holds, what it depends on and what it keeps over an upgrade.
# Usage: package_test.sh BUILD_DIR VERSION
set -euo pipefail
build_dir=$1
version=$2
scratch="$(mktemp -d)"
trap 'rm -rf "$scratch"' EXIT
failures=0
fail() {
    echo "FAIL: $*" >&2
    failures=$((failures + 1))
}

if ! (cd "$build_dir" && cpack -B "$scratch/out") >"$scratch/cpack.log" 2>&1; then
    cat "$scratch/cpack.log" >&2
    exit 1
fi
deb="$scratch/out/formulary_${version}_amd64.deb"
[ -f "$deb" ] || { ls "$scratch/out" >&2; fail "no $deb"; exit 1; }

# Every file, and nothing else: no test or benchmark program, no library.
expected="$(sort <<'LIST'
./etc/formulary/formulary.conf
./usr/bin/formulary
./usr/bin/formulary-admin
./usr/share/applications/formulary.desktop
./usr/share/doc/formulary/changelog.gz
./usr/share/doc/formulary/copyright
./usr/share/formulary/reports/AuditTrail.rpt
./usr/share/formulary/reports/DrugsWithNoGeneric.rpt
./usr/share/formulary/reports/FormularyReportWithOtherDetails.rpt
./usr/share/formulary/reports/FormularyStructure.rpt
./usr/share/icons/hicolor/128x128/apps/formulary.png
./usr/share/icons/hicolor/16x16/apps/formulary.png
./usr/share/icons/hicolor/24x24/apps/formulary.png
./usr/share/icons/hicolor/256x256/apps/formulary.png
./usr/share/icons/hicolor/32x32/apps/formulary.png
./usr/share/icons/hicolor/48x48/apps/formulary.png
./usr/share/icons/hicolor/64x64/apps/formulary.png
./usr/share/icons/hicolor/scalable/apps/formulary.svg
./usr/share/man/man1/formulary.1.gz
./usr/share/man/man8/formulary-admin.8.gz
./usr/share/metainfo/formulary.metainfo.xml
LIST
)"
files="$(dpkg-deb --contents "$deb" | awk '$1 !~ /^d/ { print $6 }' | sort)"
[ "$files" = "$expected" ] || fail "files differ from the expected list:
$(diff <(echo "$expected") <(echo "$files"))"

field() { dpkg-deb --field "$deb" "$1"; }
[ "$(field Package)" = formulary ] || fail "Package: $(field Package)"
[ "$(field Version)" = "$version" ] || fail "Version: $(field Version)"
[ "$(field Architecture)" = amd64 ] || fail "Architecture: $(field Architecture)"

# Dependencies worked out from the programs, plus the SQLite driver that Qt
# loads as a plug-in and the client programs that formulary-admin runs;
# nothing for building or testing, and no database server.
depends="$(field Depends)"
names="$(tr ',' '\n' <<<"$depends" | awk '{ print $1 }')"
for needed in libc6 libstdc++6 libqt6core6 libqt6gui6 libqt6widgets6 libqt6sql6 \
    libqt6sql6-sqlite libqt6printsupport6 libpq5 libsodium23 libsqlite3-0 libx11-6 libxlsxwriter4 \
    postgresql-client; do
    grep -Fxq "$needed" <<<"$names" || fail "Depends lacks $needed: $depends"
done
if grep -E -e '-dev$' -e '^postgresql(-[0-9]+)?$' -e 'gtest|gmock|benchmark|python3|poppler|qpdf|cmake' <<<"$names"; then
    fail "Depends has build or test packages: $depends"
fi

dpkg-deb --ctrl-tarfile "$deb" | tar -x -C "$scratch" ./conffiles
[ "$(cat "$scratch/conffiles")" = /etc/formulary/formulary.conf ] ||
    fail "conffiles: $(cat "$scratch/conffiles")"

dpkg-deb --extract "$deb" "$scratch/root"
for program in formulary formulary-admin; do
    binary="$scratch/root/usr/bin/$program"
    file "$binary" | grep -q ', stripped' || fail "$program is not stripped: $(file "$binary")"
    [ "$("$binary" --version)" = "$program $version" ] || fail "$program --version: $("$binary" --version)"
done
# The example configuration sets nothing and holds no password.
! grep -Ev '^\s*(#|$)' "$scratch/root/etc/formulary/formulary.conf" ||
    fail "formulary.conf has a line in force"
! grep -Eiq 'password=|://[^/@]*:[^/@]*@' "$scratch/root/etc/formulary/formulary.conf" ||
    fail "formulary.conf holds a password"
grep -qx 'database=.*' <(sed -n 's/^#//p' "$scratch/root/etc/formulary/formulary.conf") ||
    fail "formulary.conf has no example database= line"
# The changelog's latest entry is this version.
first="$(gzip -dc "$scratch/root/usr/share/doc/formulary/changelog.gz" | head -1)"
[[ "$first" == "formulary ($version) "* ]] || fail "changelog begins: $first"

[ "$failures" -eq 0 ]
