#!/usr/bin/env bash
# jetdump on a freshly made template, on that template cut short, with bytes scrambled, and on
# noise: every dump must run to its closing line, exit 0 only for the sound file and 2 for the
# damaged ones, and show table IP with its six columns. jetcheck must find the template sound
# and report problems in every damaged file (status 1, or 2 where it is no Jet 4 file at all).
# Under the sanitizer build a read out of bounds ends the run with a report, which fails the check.
# Usage: jetdump_test.sh JETDUMP MAKE_TEMPLATE WORK_DIR JETCHECK
set -euo pipefail
jetdump="$1"
make_template="$2"
work="$3"
jetcheck="$4"
mkdir -p "$work"
fail() { echo "FAIL: $*" >&2; exit 1; }

# A sanitizer report must never pass for status 2, "faults found".
export ASAN_OPTIONS="${ASAN_OPTIONS:+$ASAN_OPTIONS:}exitcode=86"
export UBSAN_OPTIONS="${UBSAN_OPTIONS:+$UBSAN_OPTIONS:}exitcode=86"

# run EXPECTED_STATUS NAME ARG...: output in $work/NAME.out
run() {
  local expected="$1" name="$2" status=0
  shift 2
  "$jetdump" "$@" >"$work/$name.out" 2>"$work/$name.err" || status=$?
  if grep -q -E 'Sanitizer|runtime error' "$work/$name.err"; then
    fail "$name: $(head -n 5 "$work/$name.err")"
  fi
  [ "$status" = "$expected" ] || fail "$name: exit status $status, expected $expected. $(tail -n 3 "$work/$name.err")"
}
# checked NAME FILE EXPECTED_STATUS...: jetcheck ends with one of the statuses, without a sanitizer report
checked() {
  local name="$1" file="$2" status=0
  shift 2
  "$jetcheck" "$file" >"$work/$name.check.out" 2>"$work/$name.check.err" || status=$?
  grep -q -E 'Sanitizer|runtime error' "$work/$name.check.err" && fail "$name: $(head -n 5 "$work/$name.check.err")"
  for expected in "$@"; do [ "$status" = "$expected" ] && return; done
  fail "jetcheck $name: exit status $status, expected $*. $(tail -n 3 "$work/$name.check.out" "$work/$name.check.err")"
}
finished() { tail -n 1 "$work/$1.out" | grep -q -E '^共 [0-9]+ 页；发现 [0-9]+ 处问题。$' || fail "$1: the dump stopped early"; }

"$make_template" "$work/template.mdb"

run 0 template "$work/template.mdb"
finished template
checked template "$work/template.mdb" 0
grep -q '^共 19 页；发现 0 处问题。$' "$work/template.out" || fail "template: $(tail -n 1 "$work/template.out")"
section=$(sed -n '/^== 第 16 页/,/^== 第 17 页/p' "$work/template.out")
grep -q '^  表：IP$' <<<"$section" || fail "page 16 is not the definition of table IP"
grep -q '^  列（6 个' <<<"$section" || fail "table IP does not have six columns"
columns=$(grep -E '^    id [0-9]+  ' <<<"$section" | awk '{print $2, $3, $4, $6}')
expected='0 startip Text 32
1 endip Text 32
2 startid Double 8
3 endid Double 8
4 country Text 256
5 local Text 510'
[ "$columns" = "$expected" ] || fail "columns of IP differ:
$columns"

run 0 summary --summary "$work/template.mdb"
[ "$(grep -c -E '^  [0-9]+  ' "$work/summary.out")" = 19 ] || fail "summary: not one line per page"
grep -q '^  16  表定义页  IP 的表定义$' "$work/summary.out" || fail "summary: page 16 is not IP's definition"

run 0 one-page --page 16 "$work/template.mdb"
grep -q '^== 第 16 页' "$work/one-page.out" || fail "--page 16 did not print page 16"
[ "$(grep -c '^== 第' "$work/one-page.out")" = 1 ] || fail "--page 16 printed other pages"
run 2 missing-page --page 19 "$work/template.mdb"
run 2 bad-arguments --page x "$work/template.mdb"
run 2 missing-file "$work/no-such-file.mdb"

: >"$work/empty.mdb"
run 2 empty "$work/empty.mdb"

# Seven whole pages and part of the eighth: the catalog's data pages are gone.
head -c 30000 "$work/template.mdb" >"$work/truncated.mdb"
run 2 truncated "$work/truncated.mdb"
finished truncated
checked truncated "$work/truncated.mdb" 1
grep -q '不足一页' "$work/truncated.out" || fail "truncated: the partial page is not reported"

# The template with one byte in 40 of every page after page 0 replaced, with a fixed seed.
perl -e 'srand(7); local $/; my $d = <STDIN>;
  for my $i (4096 .. length($d) - 1) { substr($d, $i, 1) = chr(int rand 256) if rand() < 1 / 40 }
  print $d' <"$work/template.mdb" >"$work/scrambled.mdb"
run 2 scrambled "$work/scrambled.mdb"
finished scrambled
checked scrambled "$work/scrambled.mdb" 1 2

# Page 0 of the template, then noise pages whose type bytes run through every page type.
perl -e 'srand(11); read(STDIN, my $header, 4096); print $header;
  for my $i (1 .. 30) { my $p = join "", map { chr int rand 256 } 1 .. 4096;
    substr($p, 0, 2) = chr($i % 6) . chr(1); print $p }' <"$work/template.mdb" >"$work/noise.mdb"
run 2 noise "$work/noise.mdb"
finished noise
checked noise "$work/noise.mdb" 1

echo "jetdump: all checks passed"
