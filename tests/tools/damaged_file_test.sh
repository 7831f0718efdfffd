#!/usr/bin/env bash
# The three tools that open a database, on a template whose MSysObjects definition gives a
# column the id 0xFFFF: each must refuse it with exit status 2 and a message naming page 2,
# never crash, and leave the file as it was.
# Usage: damaged_file_test.sh IPMDB_CONVERT JETDUMP JET_EXEC MAKE_TEMPLATE WORK_DIR
set -euo pipefail
convert="$1" jetdump="$2" jetexec="$3" make_template="$4" work="$5"
mkdir -p "$work"
fail() { echo "FAIL: $*" >&2; exit 1; }
export ASAN_OPTIONS="${ASAN_OPTIONS:+$ASAN_OPTIONS:}exitcode=86"
export UBSAN_OPTIONS="${UBSAN_OPTIONS:+$UBSAN_OPTIONS:}exitcode=86"

"$make_template" "$work/sound.mdb"
cp "$work/sound.mdb" "$work/damaged.mdb"
# Page 2, past the 0x3F-byte header and two 12-byte index statistics: the 7th 25-byte column
# descriptor (Id), its id at +5.
printf '\xff\xff' | dd of="$work/damaged.mdb" bs=1 seek=$((2 * 4096 + 0x3F + 24 + 6 * 25 + 5)) conv=notrunc status=none
cp "$work/damaged.mdb" "$work/before.mdb"

check() {
  local name="$1" status=0
  shift
  "$@" >"$work/$name.out" 2>&1 || status=$?
  [ "$status" = 2 ] || fail "$name: exit status $status, expected 2. $(head -n 5 "$work/$name.out")"
  grep -q '数据库文件已损坏：第 2 页' "$work/$name.out" || fail "$name: page 2 not named. $(head -n 5 "$work/$name.out")"
  cmp -s "$work/damaged.mdb" "$work/before.mdb" || fail "$name: the damaged file was changed"
}
check recover "$convert" --recover "$work/damaged.mdb"
check jetdump "$jetdump" "$work/damaged.mdb"
check jet-exec "$jetexec" "$work/damaged.mdb"
echo "damaged file: refused by every tool, page named, file untouched"
