#!/usr/bin/env bash
# Executes the 530,000 INSERT statements of a generated text database in 1000-statement
# transactions, once through our engine (jet-exec) and once through the sqlite3 shell at its
# default settings, both with durable commits, in one run on the same machine. Prints wall, user
# and system seconds, and the syncs per commit (counted with strace in a separate run, since
# tracing slows the programs down). Usage: bench/jet_vs_sqlite.sh [LINES]   (needs a Release build
# in build/: cmake -S . -B build -DCMAKE_BUILD_TYPE=Release && cmake --build build)
set -euo pipefail
cd "$(dirname "$0")/.."
lines=${1:-530000}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

build/bin/gen-textdb --lines "$lines" "$work/input.txt"
build/bin/ipmdb-convert --sql "$work/input.txt" > "$work/statements.sql"
{
  echo "CREATE TABLE IP(startip TEXT, endip TEXT, startid REAL, endid REAL, country TEXT, local TEXT);"
  awk '{ if ((NR - 1) % 1000 == 0) print "BEGIN;"; print $0 ";"; if (NR % 1000 == 0) print "COMMIT;" }
       END { if (NR % 1000 != 0) print "COMMIT;" }' "$work/statements.sql"
} > "$work/sqlite.sql"
commits=$(( (lines + 999) / 1000 ))

measure() {  # label, command...
  local label=$1
  shift
  /usr/bin/time -f "%e %U %S %M" -o "$work/time" "$@" >/dev/null 2>"$work/stderr" || { cat "$work/stderr"; exit 1; }
  read -r wall user sys rss < "$work/time"
  printf "%-28s %8s %8s %8s %10s\n" "$label" "$wall" "$user" "$sys" "$((rss / 1024)) MiB"
}
syncs() {  # command...
  strace -f -c -e trace=fsync,fdatasync -o "$work/strace" "$@" >/dev/null 2>&1
  awk -v c="$commits" '$NF == "fsync" || $NF == "fdatasync" { n += $4 } END { printf "%.2f", n / c }' "$work/strace"
}

echo "statements: $lines, transactions: $commits, machine: $(nproc) cores, $(grep -m1 'model name' /proc/cpuinfo | cut -d: -f2 | sed 's/^ //')"
printf "%-28s %8s %8s %8s %10s\n" "" "wall s" "user s" "sys s" "peak RSS"
cp resources/template.mdb "$work/ipmdb.mdb"
measure "ipmdb engine (jet-exec)" build/bin/jet-exec "$work/ipmdb.mdb" "$work/statements.sql"
rm -f "$work/sqlite.db"
measure "sqlite3 shell, defaults" sqlite3 "$work/sqlite.db" ".read $work/sqlite.sql"

cp resources/template.mdb "$work/ipmdb2.mdb"
rm -f "$work/sqlite2.db"
echo "syncs per commit: ipmdb $(syncs build/bin/jet-exec "$work/ipmdb2.mdb" "$work/statements.sql"), sqlite3 $(syncs sqlite3 "$work/sqlite2.db" ".read $work/sqlite.sql")"
echo "file sizes: ipmdb $(stat -c %s "$work/ipmdb.mdb") bytes, sqlite3 $(stat -c %s "$work/sqlite.db") bytes"
