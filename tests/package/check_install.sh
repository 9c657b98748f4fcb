#!/usr/bin/env bash
# The program as users get it: an installed tree that starts on its demo
# database, and the Debian package's fields and files.
# Usage: check_install.sh SOURCE_DIR BUILD_DIR
set -euo pipefail
SRC=$1
BUILD=$2
WORK=$(mktemp -d /tmp/q2t-install.XXXXXX)
PROGRAM_PID=
cleanup() {
  [ -n "$PROGRAM_PID" ] && kill "$PROGRAM_PID" 2>/dev/null || true
  rm -rf "$WORK"
}
trap cleanup EXIT
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }
check() { if eval "$2"; then echo "ok: $1"; else fail "$1"; fi; }

# The executable starts without LibreOffice: no UNO library is needed.
check "the program links no UNO library" "! readelf -d '$BUILD/query2text' | grep -q 'libuno_'"

# An installed tree.
cmake --install "$BUILD" --prefix "$WORK/prefix" >/dev/null
P=$WORK/prefix
for f in bin/query2text share/query2text/dbdemos.db share/applications/query2text.desktop \
         share/metainfo/io.github.query2text.Query2Text.metainfo.xml share/icons/hicolor/scalable/apps/query2text.svg \
         share/icons/hicolor/16x16/apps/query2text.png share/icons/hicolor/256x256/apps/query2text.png; do
  check "installed $f" "[ -f '$P/$f' ]"
done
if [ -f "$BUILD/plugins/libq2t-calc.so" ]; then
  check "installed the spreadsheet plugin" "[ -f '$P/lib/query2text/libq2t-calc.so' ]"
fi
if command -v desktop-file-validate >/dev/null; then
  check "desktop entry validates" "desktop-file-validate '$P/share/applications/query2text.desktop'"
fi
if command -v appstreamcli >/dev/null; then
  check "metainfo validates" "appstreamcli validate --no-net '$P/share/metainfo/io.github.query2text.Query2Text.metainfo.xml' >/dev/null"
fi

# The installed program starts on its demo database: its window's title
# names the alias (a missing database would show an error box instead).
if [ -n "${DISPLAY:-}" ] && command -v xwininfo >/dev/null; then
  exec_line=$(sed -n 's/^Exec=//p' "$P/share/applications/query2text.desktop")
  started=no
  # The shared X server now and then refuses a connection while other tests
  # come and go: a program that could not reach the display at all is
  # started again (at most three times); any other failure counts.
  for _attempt in 1 2 3; do
    (cd "$WORK" && exec env -u QT_QPA_PLATFORM "$P/bin/$exec_line" >"$WORK/program.log" 2>&1) &
    PROGRAM_PID=$!
    for _ in $(seq 100); do
      if xwininfo -root -tree 2>/dev/null | grep -q 'With Server:\[DBDEMOS\]'; then started=yes; break; fi
      kill -0 "$PROGRAM_PID" 2>/dev/null || break
      sleep 0.1
    done
    [ $started = yes ] && break
    grep -q 'could not connect to display' "$WORK/program.log" || break
    wait "$PROGRAM_PID" 2>/dev/null || true
    sleep 1
  done
  check "installed program shows its window on DBDEMOS" "[ $started = yes ]"
  [ $started = yes ] || sed 's/^/    program: /' "$WORK/program.log"
  kill "$PROGRAM_PID" 2>/dev/null || true
  wait "$PROGRAM_PID" 2>/dev/null || true
  PROGRAM_PID=
else
  echo "skipped: no X display to start the installed program on"
fi

# The Debian package.
(cd "$BUILD" && cpack -G DEB -B "$WORK/package" >/dev/null)
deb=$(ls "$WORK"/package/query2text_*_amd64.deb)
info=$(dpkg-deb -I "$deb")
files=$(dpkg-deb -c "$deb")
depends=$(echo "$info" | sed -n 's/^ Depends: //p')
check "package name and version" "echo '$info' | grep -q '^ Package: query2text$' && [ \"\$(basename '$deb')\" = query2text_$(sed -n 's/^project(query2text VERSION \([0-9.]*\).*/\1/p' "$SRC/CMakeLists.txt")_amd64.deb ]"
for lib in libqt6widgets6 libqt6dbus6 libodbc2 libicu72 libsqlite3-0; do
  check "depends on $lib" "echo '$depends' | grep -q '$lib'"
done
# Every library the program links comes from a package the .deb depends on,
# or from one that every Debian system has (priority "required").
depends_on() {
  local entry IFS=','
  for entry in $depends; do
    entry=${entry# }
    [ "${entry%% *}" = "$1" ] && return 0
  done
  return 1
}
for so in $(readelf -d "$BUILD/query2text" | sed -n 's/.*NEEDED.*\[\(.*\)\]/\1/p'); do
  [[ $so == ld-linux* ]] && continue  # the loader, from libc6
  path=$(ldd "$BUILD/query2text" | awk -v so="$so" '$1 == so { print $3 }')
  owner=$(dpkg -S "$(readlink -f "$path")" 2>/dev/null || dpkg -S "${path#/usr}" 2>/dev/null || true)
  owner=${owner%%:*}
  [ "$(dpkg-query -W -f='${Priority}' "$owner" 2>/dev/null)" = required ] && continue
  check "depends on ${owner:-?} (for $so)" "[ -n '$owner' ] && depends_on '$owner'"
done
check "LibreOffice is not a dependency" "! echo '$depends' | grep -qi libreoffice"
check "the ODBC drivers are recommended" "echo '$info' | grep -q '^ Recommends:.*odbc-postgresql'"
check "LibreOffice Calc is suggested" "echo '$info' | grep -q '^ Suggests:.*libreoffice-calc'"
for f in ./usr/bin/query2text ./usr/share/query2text/dbdemos.db ./usr/share/applications/query2text.desktop \
         ./usr/share/icons/hicolor/48x48/apps/query2text.png ./usr/share/metainfo/io.github.query2text.Query2Text.metainfo.xml; do
  check "package holds $f" "echo '$files' | grep -q ' $f\$'"
done

if [ "$failures" -gt 0 ]; then
  echo "$failures check(s) failed"
  exit 1
fi
echo "all install and package checks passed"
