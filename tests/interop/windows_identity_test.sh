#!/usr/bin/env bash
# The Windows programs, run under Wine, give the bytes that the Linux build of the same sources
# gives, on every text database the tests convert: gen-textdb the same text, ipmdb-convert the
# same .mdb (template, rows and pages) with the same exit code, and --sql the same statements.
# The Linux jetcheck, and mdbtools when installed, read every Windows .mdb.
# Usage: windows_identity_test.sh WINE_RUN WINE_PREFIX WINDOWS_BIN LINUX_BIN SAMPLE SCRATCH
# Exits with 77 (skipped) when no Linux build is given.
set -euo pipefail
wine_run=$1
prefix=$2
windows=$3
linux=$4
sample=$5
scratch=$6
fail() { echo "FAIL: $*" >&2; exit 1; }

if [ -z "$linux" ]; then
  echo "skipped: no Linux build to compare with (configure with -DIPMDB_LINUX_BUILD=FOLDER, as scripts/test-windows does)"
  exit 77
fi
for program in ipmdb-convert gen-textdb jetcheck; do
  [ -x "$linux/bin/$program" ] || fail "$linux/bin/$program is not built"
done
windows_run() { "$wine_run" "$prefix" "$windows/$1.exe" "${@:2}"; }

rm -rf "$scratch"
mkdir -p "$scratch"
cd "$scratch"

# The generated corpus at full size, made by both builds.
"$linux/bin/gen-textdb" generated.txt
windows_run gen-textdb generated-windows.txt
cmp -s generated.txt generated-windows.txt || fail "gen-textdb writes other bytes on Windows"

# Lines of every kind the converter meets: LF and CR LF, blank and empty lines, tabs, quotes,
# bytes that are no GBK character, pairs of the user-defined area (which code page 936 maps and
# the compiled table leaves out, as glibc does), a value too long for its column in the third
# batch (refused, so two batches stay), no line break at the end, and a NUL after which nothing
# is read.
{
  for i in $(seq 1 2600); do
    case $((i % 7)) in
      0) printf '1.0.%d.0 1.0.%d.255 \xD6\xD0\xB9\xFA O'"'"'Hare\tx\r\n' $((i % 256)) $((i % 256)) ;;
      1) printf '\r\n' ;;
      2) printf '2.%d.0.0   2.%d.255.255  \x80\xFF\xAA\xA1\xFE\xFE \xB5\xE7\xD0\xC5\n' $((i % 256)) $((i % 256)) ;;
      3) printf '   \r\n' ;;
      *) printf '3.0.0.%d 3.0.0.%d morvane.example area %d\r\n' $((i % 256)) $((i % 256)) "$i" ;;
    esac
    [ "$i" -eq 2500 ] && printf '10.0.0.1234567890 10.0.0.2 x y\r\n'
  done
  printf '9.9.9.9 9.9.9.9 last line\0after the NUL\r\n'
} > edge.txt

# Corpus, the exit code both builds must give, the rows the .mdb must hold (empty: one per
# statement of --sql).
for corpus in "$sample 0 " "generated.txt 0 " "edge.txt 1 2000"; do
  read -r text code rows <<< "$corpus"
  name=$(basename "$text" .txt)
  status=0
  "$linux/bin/ipmdb-convert" "$text" -o "$name-linux.mdb" --quiet || status=$?
  [ "$status" = "$code" ] || fail "$name: the Linux build exits with $status, not $code"
  status=0
  windows_run ipmdb-convert "$text" -o "$name-windows.mdb" --quiet || status=$?
  [ "$status" = "$code" ] || fail "$name: the Windows build exits with $status, not $code"
  cmp "$name-linux.mdb" "$name-windows.mdb" || fail "$name: the Windows .mdb differs from the Linux one"

  "$linux/bin/ipmdb-convert" --sql "$text" > "$name-linux.sql"
  windows_run ipmdb-convert --sql "$text" > "$name-windows.sql"
  cmp "$name-linux.sql" "$name-windows.sql" || fail "$name: the Windows --sql output differs from the Linux one"

  "$linux/bin/jetcheck" "$name-windows.mdb" | grep -q '^OK: ' ||
    fail "$name: jetcheck finds the Windows .mdb unsound: $("$linux/bin/jetcheck" "$name-windows.mdb")"
  if command -v mdb-export > /dev/null; then
    [ -n "$rows" ] || rows=$(wc -l < "$name-linux.sql")
    exported=$(mdb-export "$name-windows.mdb" IP | tail -n +2 | wc -l)
    [ "$exported" = "$rows" ] || fail "$name: mdbtools reads $exported rows from the Windows .mdb, not $rows"
  fi
  echo "$name: the same .mdb and statements on both systems"
done
command -v mdb-export > /dev/null || echo "mdbtools is not installed: the rows were not read back with it"

# Passed: the files are large, and only a failure needs them kept.
cd / && rm -rf "$scratch"
