#!/usr/bin/env bash
# A table far past the inline usage map: converts a generated text database of LINES lines
# (default 5,000,000: a file of about 600 MB whose owned-pages map needs several bitmap pages),
# then reads it back with mdbtools and compares every row with the statements the converter
# prints. Not part of the test suite: it takes a few minutes and needs about 2 GB of disk.
# Usage: bench/big_table.sh [LINES]   (Release build in build/)
set -euo pipefail
cd "$(dirname "$0")/.."
lines=${1:-5000000}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build build --parallel 2 --target ipmdb-convert gen-textdb jetdump >/dev/null

build/bin/gen-textdb --lines "$lines" --seed 7 "$work/input.txt"
/usr/bin/time -f "conversion: %e s wall, %M KiB peak" build/bin/ipmdb-convert --quiet "$work/input.txt" -o "$work/big.mdb"
echo "file: $(stat -c %s "$work/big.mdb") bytes; bitmap pages: $(build/bin/jetdump --summary "$work/big.mdb" | grep -c 用量位图页)"

# The six values of every statement, as mdb-export prints them: texts quoted with "" doubled,
# numbers bare, empty texts as NULL (mdb-export does not tell them apart).
build/bin/ipmdb-convert --sql "$work/input.txt" | LC_ALL=C.UTF-8 awk '
  function field(v) {
    if (v ~ /^\x27/) { v = substr(v, 2, length(v) - 2); gsub(/\x27\x27/, "\x27", v); gsub(/"/, "\"\"", v); return v == "" ? "NULL" : "\"" v "\"" }
    return v
  }
  {
    body = substr($0, length("insert into IP values(") + 1); body = substr(body, 1, length(body) - 1)
    n = 0; cur = ""; inq = 0
    for (i = 1; i <= length(body); i++) {
      c = substr(body, i, 1)
      if (c == "\x27") inq = !inq
      if (c == "," && !inq) { f[++n] = cur; cur = "" } else cur = cur c
    }
    f[++n] = cur
    print field(f[1]) "," field(f[2]) "," f[3] "," f[4] "," field(f[5]) "," field(f[6])
  }' > "$work/expected.csv"
/usr/bin/time -f "mdb-export: %e s" mdb-export -H -0 NULL -q '"' -X '"' "$work/big.mdb" IP > "$work/actual.csv"
if cmp -s "$work/expected.csv" "$work/actual.csv"; then
  echo "mdbtools read all $(wc -l < "$work/actual.csv") rows back exactly, in order"
else
  echo "MISMATCH between the statements and mdb-export:" >&2
  diff "$work/expected.csv" "$work/actual.csv" | head >&2
  exit 1
fi
