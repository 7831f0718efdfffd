#!/usr/bin/env bash
# Time and memory of the integrity check: for each size (default 530,000 and 5,000,000 lines) a
# generated text database is converted, then jetcheck checks the output five times; prints the
# median wall and CPU time and the largest peak RSS (/usr/bin/time). The file is read from the
# page cache after the first run. Not part of the test suite; needs about 1 GB of disk.
# Usage: bench/jetcheck_bench.sh [LINES...]   (Release build in build/)
set -euo pipefail
cd "$(dirname "$0")/.."
sizes=("$@")
[ ${#sizes[@]} -gt 0 ] || sizes=(530000 5000000)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build build --parallel 2 --target ipmdb-convert gen-textdb jetcheck >/dev/null

median() { sort -n | awk '{ v[NR] = $1 } END { print v[int((NR + 1) / 2)] }'; }

echo "| Lines | File | jetcheck output | Wall (median of 5) | CPU (median) | Peak RSS (largest) |"
echo "|---|---|---|---|---|---|"
for lines in "${sizes[@]}"; do
  build/bin/gen-textdb --lines "$lines" --seed 7 "$work/input.txt"
  build/bin/ipmdb-convert --quiet "$work/input.txt" -o "$work/out.mdb"
  rm "$work/input.txt"
  : >"$work/times"
  for run in 1 2 3 4 5; do
    /usr/bin/time -a -o "$work/times" -f "%e %U %S %M" build/bin/jetcheck "$work/out.mdb" >"$work/check.out"
  done
  wall=$(awk '{ print $1 }' "$work/times" | median)
  cpu=$(awk '{ print $2 + $3 }' "$work/times" | median)
  rss=$(awk '{ print $4 }' "$work/times" | sort -n | tail -n 1)
  echo "| $lines | $(stat -c %s "$work/out.mdb") bytes | $(cat "$work/check.out") | $wall s | $cpu s | $((rss / 1024)) MiB |"
done
