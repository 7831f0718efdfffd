#!/usr/bin/env bash
# Large inputs: the conversion's time and peak memory on generated text databases of 530,000,
# 5,000,000 and 25,000,000 lines, and on two files that are a single line of 200 MB (one whose
# area is 200 MB of GBK text, which the database refuses by its length; one whose fields stand
# 200 MB of spaces apart, which gives one row). Each output is read back with mdbtools and
# compared, row by row and in order, with the statements the converter prints for the rows it
# committed. The 25,000,000 lines would outgrow Jet's 2 GB file limit: that run ends with the batch
# that would have passed it, and the rows before it are checked.
#
# Not part of the test suite: it takes several minutes and up to about 8 GB of disk (df -h first).
# Files go to BENCH_DIR (default: a fresh folder under /tmp), removed at the end.
# Usage: bench/big_table.sh [LINES...]   (default: 530000 5000000 25000000; Release build in build/)
set -euo pipefail
cd "$(dirname "$0")/.."
sizes=("$@")
[ ${#sizes[@]} -gt 0 ] || sizes=(530000 5000000 25000000)

cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build build --parallel 2 --target ipmdb-convert gen-textdb jetdump >/dev/null
bin=build/bin

work=${BENCH_DIR:-$(mktemp -d /tmp/ipmdb-big-table-XXXXXX)}
mkdir -p "$work"
trap 'rm -rf "$work"' EXIT

# The six values of the first $2 statements, as mdb-export prints them: texts quoted with ""
# doubled, numbers bare, empty texts as NULL (mdb-export does not tell them apart). awk reads all
# of them, so that the converter is not cut off by a closed pipe.
expected_rows() {
  "$bin/ipmdb-convert" --sql "$1" | LC_ALL=C.UTF-8 awk -v limit="$2" '
    function field(v) {
      if (v ~ /^\x27/) { v = substr(v, 2, length(v) - 2); gsub(/\x27\x27/, "\x27", v); gsub(/"/, "\"\"", v); return v == "" ? "NULL" : "\"" v "\"" }
      return v
    }
    NR <= limit {
      body = substr($0, length("insert into IP values(") + 1); body = substr(body, 1, length(body) - 1)
      n = 0; cur = ""; inq = 0
      for (i = 1; i <= length(body); i++) {
        c = substr(body, i, 1)
        if (c == "\x27") inq = !inq
        if (c == "," && !inq) { f[++n] = cur; cur = "" } else cur = cur c
      }
      f[++n] = cur
      print field(f[1]) "," field(f[2]) "," f[3] "," f[4] "," field(f[5]) "," field(f[6])
    }'
}

rows=()
# Converts $2 (a text database of $3 lines) and checks what the output holds; appends a table row.
convert() {
  local name=$1 input=$2 lines=$3
  rm -f "$work/out.mdb"*
  local status=0
  # Chinese messages in UTF-8 under any locale, as the count is read from them below.
  LC_ALL=C.UTF-8 /usr/bin/time -f "%e %M %U %S" -o "$work/time.txt" "$bin/ipmdb-convert" --quiet "$input" \
    -o "$work/out.mdb" 2>"$work/stderr.txt" || status=$?
  read -r seconds kib user sys < <(tail -n 1 "$work/time.txt")
  local committed=$lines outcome
  if [ "$status" -eq 0 ]; then
    outcome="all rows"
  else
    committed=$(grep -o '已提交的前 [0-9]* 行' "$work/stderr.txt" | grep -o '[0-9]*' || echo 0)
    outcome="exit $status: $(head -n 1 "$work/stderr.txt" | sed 's/^ipmdb-convert: //')"
  fi
  local check
  mdb-export -H -0 NULL -q '"' -X '"' "$work/out.mdb" IP > "$work/actual.csv"
  if [ "$committed" -eq 0 ]; then
    [ -s "$work/actual.csv" ] && check="MISMATCH: rows in the file" || check="no row in the file"
  elif expected_rows "$input" "$committed" | cmp -s - "$work/actual.csv"; then
    check="mdbtools read all $committed rows back exactly"
  else
    check="MISMATCH between the statements and mdb-export"
  fi
  rows+=("$(awk -v n="$name" -v l="$lines" -v b="$(stat -c %s "$input")" -v s="$seconds" -v k="$kib" -v u="$user" -v y="$sys" \
    -v o="$(stat -c %s "$work/out.mdb")" -v r="$outcome" -v c="$check" \
    'BEGIN { printf "| %s | %d | %.0f MB | %.2f s | %.2f s | %.0f | %.1f MiB | %.1f MB | %s; %s |", n, l, b / 1e6, s, u + y, l / s, k / 1024, o / 1e6, r, c }')")
  rm -f "$work/actual.csv" "$work/out.mdb"*
}

for lines in "${sizes[@]}"; do
  "$bin/gen-textdb" --lines "$lines" --seed 7 "$work/input.txt"
  convert "generated" "$work/input.txt" "$lines"
  rm -f "$work/input.txt"
done

line=$((200 * 1024 * 1024))
{ printf '1.0.0.0 1.0.0.255 \xD6\xD0\xB9\xFA '; head -c $((line - 23)) < <(yes $'\xB5\xE7' | tr -d '\n'); printf '\r\n'; } > "$work/one-line.txt"
convert "one 200 MB line, 200 MB area" "$work/one-line.txt" 1
{ printf '1.0.0.0'; head -c $((line - 30)) /dev/zero | tr '\0' ' '; printf ' 1.0.0.255 \xD6\xD0 x\r\n'; } > "$work/one-line.txt"
convert "one 200 MB line, fields 200 MB apart" "$work/one-line.txt" 1
rm -f "$work/one-line.txt"

echo "Machine: nproc = $(nproc), $(grep -m1 'model name' /proc/cpuinfo | cut -d: -f2 | sed 's/^ //'), $(uname -sr); load average at the end: $(cut -d' ' -f1-3 /proc/loadavg)"
echo
echo "| Input | Lines | Input size | Wall time | CPU (user+sys) | Lines/s | Peak RSS | Output | Outcome |"
echo "|---|---|---|---|---|---|---|---|---|"
printf '%s\n' "${rows[@]}"
