#!/usr/bin/env bash
# End-to-end conversion benchmark, all measured in one run on the same generated text database
# (530,000 lines by default):
#   - ipmdb-convert INPUT -o OUTPUT;
#   - the same statements (from ipmdb-convert --sql) run by the sqlite3 shell into a table of the
#     same six columns, BEGIN/COMMIT around every 1000, with default settings and again with
#     PRAGMA synchronous=OFF;
#   - the floor: reading the input, plus writing as many bytes as the converter's output in one
#     chunk per 1000 lines, each followed by fdatasync;
#   - the same floor with what a rollback journal adds to each chunk: a journal's bytes written in
#     place and synced before the chunk, and again with the two syncs running at once.
# Each is run REPEAT times (default 5), in interleaved rounds; the table shows the median wall time,
# the median CPU time (user + system, all threads) and the largest peak resident set size. Files go to BENCH_DIR (default: a fresh folder under /tmp, removed at the end).
#
# usage: bench/convert_bench.sh [LINES]
set -euo pipefail
cd "$(dirname "$0")/.."

lines=${1:-530000}
repeat=${REPEAT:-5}
build=build

cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DIPMDB_BUILD_BENCH=ON >/dev/null
cmake --build "$build" --parallel 2 --target ipmdb-convert gen-textdb write_floor >/dev/null

work=${BENCH_DIR:-$(mktemp -d /tmp/ipmdb-convert-bench-XXXXXX)}
[ -n "${BENCH_DIR:-}" ] || trap 'rm -rf "$work"' EXIT
mkdir -p "$work"
bin=$build/bin

"$bin/gen-textdb" --lines "$lines" --seed 1 "$work/input.txt"
"$bin/ipmdb-convert" --sql "$work/input.txt" > "$work/statements.sql"
schema='CREATE TABLE IP (startip TEXT(16), endip TEXT(16), startid DOUBLE, endid DOUBLE, country TEXT(128), local TEXT(255));'
batched() {
  awk -v pragma="$1" -v schema="$schema" '
    BEGIN { if (pragma != "") print pragma; print schema }
    (NR - 1) % 1000 == 0 { print "BEGIN;" }
    { print $0 ";" }
    NR % 1000 == 0 { print "COMMIT;" }
    END { if (NR % 1000 != 0) print "COMMIT;" }' "$work/statements.sql"
}
batched "" > "$work/sqlite_default.sql"
batched "PRAGMA synchronous=OFF;" > "$work/sqlite_sync_off.sql"

# One timed run: prints "seconds peak-KiB cpu-seconds".
timed() { /usr/bin/time -f "%e %M %U %S" -o "$work/time.txt" "$@" >/dev/null; awk '{ print $1, $2, $3 + $4 }' "$work/time.txt"; }

run_ipmdb() { rm -f "$work/out.mdb"*; timed "$bin/ipmdb-convert" --quiet "$work/input.txt" -o "$work/out.mdb"; }
run_sqlite_default() { rm -f "$work/s.db"*; timed sh -c "sqlite3 '$work/s.db' < '$work/sqlite_default.sql'"; }
run_sqlite_sync_off() { rm -f "$work/s.db"*; timed sh -c "sqlite3 '$work/s.db' < '$work/sqlite_sync_off.sql'"; }
run_floor() { rm -f "$work/floor.bin"*; timed "$bin/write_floor" "$work/input.txt" "$output_bytes" "$work/floor.bin"; }
run_floor_journal() {
  rm -f "$work/floor.bin"*
  timed "$bin/write_floor" "$work/input.txt" "$output_bytes" "$work/floor.bin" --journal
}
run_floor_alongside() {
  rm -f "$work/floor.bin"*
  timed "$bin/write_floor" "$work/input.txt" "$output_bytes" "$work/floor.bin" --journal-alongside
}

declare -A seconds cpu peak all allcpu
run_ipmdb >/dev/null
output_bytes=$(stat -c %s "$work/out.mdb")
input_bytes=$(stat -c %s "$work/input.txt")
# Interleaved rounds, so that a change in the machine's load touches every contender alike.
names=(ipmdb sqlite_default sqlite_sync_off floor floor_journal floor_alongside)
for ((round = 0; round < repeat; round++)); do
  for name in "${names[@]}"; do
    read -r s kib c < <("run_$name")
    all[$name]="${all[$name]:-} $s"
    allcpu[$name]="${allcpu[$name]:-} $c"
    if ((kib > ${peak[$name]:-0})); then peak[$name]=$kib; fi
  done
done
median() { printf '%s\n' "$@" | sort -n | awk '{ v[NR] = $1 } END { print v[int((NR + 1) / 2)] }'; }
for name in "${names[@]}"; do
  seconds[$name]=$(median ${all[$name]})
  cpu[$name]=$(median ${allcpu[$name]})
done

label() {
  case $1 in
    ipmdb) echo '`ipmdb-convert`' ;;
    sqlite_default) echo 'sqlite3, default settings' ;;
    sqlite_sync_off) echo 'sqlite3, `PRAGMA synchronous=OFF`' ;;
    floor) echo 'floor: read input, write output size in 1000-line chunks + fdatasync' ;;
    floor_journal) echo 'floor + a 16.5 KB journal written and fdatasynced before each chunk' ;;
    floor_alongside) echo 'floor + the journal, its fdatasync at the same time as the chunk'"'"'s' ;;
  esac
}

echo "Machine: nproc = $(nproc), $(grep -m1 'model name' /proc/cpuinfo | cut -d: -f2 | sed 's/^ //'), $(uname -sr)"
echo "Input: $lines lines, $input_bytes bytes; output database: $output_bytes bytes; median of $repeat runs;" \
  "load average at the end: $(cut -d' ' -f1-3 /proc/loadavg)"
echo
echo "| Run | Wall time | CPU (user+sys) | Lines/s | Relative to ipmdb-convert | Peak RSS |"
echo "|---|---|---|---|---|---|"
for name in "${names[@]}"; do
  awk -v label="$(label "$name")" -v s="${seconds[$name]}" -v c="${cpu[$name]}" -v base="${seconds[ipmdb]}" \
    -v kib="${peak[$name]}" -v n="$lines" \
    'BEGIN { printf "| %s | %.2f s | %.2f s | %.0f | %.2f× | %.1f MiB |\n", label, s, c, n / s, s / base, kib / 1024 }'
done
echo
awk -v ipmdb="${seconds[ipmdb]}" -v sq="${seconds[sqlite_default]}" -v floor="${seconds[floor]}" \
    -v kib="${peak[ipmdb]}" 'BEGIN {
  printf "sqlite3 default / ipmdb-convert: %.2f (target at least 6)\n", sq / ipmdb
  printf "ipmdb-convert / floor: %.2f (target at most 2.5)\n", ipmdb / floor
  printf "ipmdb-convert peak RSS: %.1f MiB (target under 64 MiB)\n", kib / 1024
}'
