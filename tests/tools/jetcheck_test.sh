#!/usr/bin/env bash
# The integrity check as users run it, jetcheck and ipmdb-convert --check: the template and
# conversions of 0, 1, 1000 and 1001 generated lines check clean (exit 0, one "OK:" line, the
# same from both programs, nothing with --quiet); a copy with its row count off by one is
# reported on the page of the table definition (exit 1); files that are no Jet 4 database at all
# exit 2. Under the sanitizer build any fault of the check ends the run with a report.
# Usage: jetcheck_test.sh JETCHECK IPMDB_CONVERT GEN_TEXTDB MAKE_TEMPLATE WORK_DIR
set -euo pipefail
jetcheck="$1" convert="$2" generate="$3" make_template="$4" work="$5"
mkdir -p "$work"
fail() { echo "FAIL: $*" >&2; exit 1; }
export ASAN_OPTIONS="${ASAN_OPTIONS:+$ASAN_OPTIONS:}exitcode=86"
export UBSAN_OPTIONS="${UBSAN_OPTIONS:+$UBSAN_OPTIONS:}exitcode=86"

# expect STATUS NAME COMMAND...: stdout in $work/NAME.out, stderr in $work/NAME.err
expect() {
  local expected="$1" name="$2" status=0
  shift 2
  "$@" >"$work/$name.out" 2>"$work/$name.err" || status=$?
  [ "$status" = "$expected" ] || fail "$name: exit status $status, expected $expected. $(head -n 3 "$work/$name.out" "$work/$name.err")"
}
sound() {
  local name="$1" file="$2"
  expect 0 "$name" "$jetcheck" "$file"
  grep -qxE 'OK: [0-9]+ pages, [0-9]+ tables, [0-9]+ rows' "$work/$name.out" || fail "$name: $(cat "$work/$name.out")"
  expect 0 "$name.convert" "$convert" --check "$file"
  cmp -s "$work/$name.out" "$work/$name.convert.out" || fail "$name: ipmdb-convert --check says $(cat "$work/$name.convert.out")"
  expect 0 "$name.quiet" "$jetcheck" "$file" --quiet
  [ ! -s "$work/$name.quiet.out" ] || fail "$name: --quiet printed $(cat "$work/$name.quiet.out")"
}

"$make_template" "$work/template.mdb"
sound template "$work/template.mdb"
for lines in 0 1 1000 1001; do
  "$generate" --lines "$lines" --seed "$lines" "$work/in-$lines.txt"
  "$convert" --quiet "$work/in-$lines.txt" -o "$work/out-$lines.mdb"
  sound "lines-$lines" "$work/out-$lines.mdb"
done

# The row count of table IP (its definition is page 16 of the template) one higher.
cp "$work/out-1000.mdb" "$work/damaged.mdb"
printf '\xe9\x03' | dd of="$work/damaged.mdb" bs=1 seek=$((16 * 4096 + 0x10)) conv=notrunc status=none
expect 1 damaged "$jetcheck" "$work/damaged.mdb"
grep -q '^第 16 页（表“IP”的定义）：行数为 1001，而数据页上有 1000 行。$' "$work/damaged.out" ||
  fail "damaged: $(cat "$work/damaged.out")"
tail -n 1 "$work/damaged.out" | grep -q '^发现 1 处问题' || fail "damaged: no count at the end"
expect 1 damaged.quiet "$jetcheck" --quiet "$work/damaged.mdb"
[ ! -s "$work/damaged.quiet.out" ] || fail "damaged: --quiet printed something"

: >"$work/empty.mdb"
head -c 1000 "$work/template.mdb" >"$work/short.mdb"
head -c 8192 /dev/zero >"$work/zeros.mdb"
for name in missing empty short zeros; do
  expect 2 "$name" "$jetcheck" "$work/$name.mdb"
  [ -s "$work/$name.err" ] || fail "$name: no message"
done
expect 2 usage "$jetcheck"
echo "jetcheck: all checks passed"
