#!/usr/bin/env bash
# The Windows build under Wine against the Linux build on the same machine, both Release, on the
# same generated text database (530,000 lines by default): the conversion (ipmdb-convert INPUT -o
# OUTPUT) and the statements (ipmdb-convert --sql INPUT). Each is run REPEAT times (default 5),
# in interleaved rounds, with one wineserver kept running as the Windows tests keep it; the table
# shows the median wall time. Wine's figures are indicative only: they measure Wine's mapping of
# the Windows calls onto Linux ones, not a Windows system. Files go to BENCH_DIR (default: a
# fresh folder under /tmp, removed at the end).
#
# usage: bench/windows_bench.sh [LINES]
set -euo pipefail
cd "$(dirname "$0")/.."

lines=${1:-530000}
repeat=${REPEAT:-5}
linux=build
windows=build/win64

cmake -S . -B "$linux" -G Ninja -DCMAKE_BUILD_TYPE=Release -DIPMDB_BUILD_BENCH=ON >/dev/null
cmake --build "$linux" --parallel 2 --target ipmdb-convert gen-textdb >/dev/null
cmake -S . -B "$windows" -G Ninja -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-x86_64.cmake -DCMAKE_BUILD_TYPE=Release \
  -DIPMDB_BUILD_GUI=OFF -DIPMDB_BUILD_BENCH=OFF >/dev/null
cmake --build "$windows" --parallel 2 --target ipmdb-convert >/dev/null

work=${BENCH_DIR:-$(mktemp -d /tmp/ipmdb-windows-bench-XXXXXX)}
mkdir -p "$work"
export WINEPREFIX="$PWD/$windows/wine" WINEDEBUG=-all
mkdir -p "$WINEPREFIX"
wineserver=$(command -v wineserver || echo /usr/lib/wine/wineserver)
"$wineserver" -k 2>/dev/null || true  # a server left by an earlier run of this prefix
"$wineserver" -w
"$wineserver" -p </dev/null >/dev/null 2>&1
cleanup() {
  "$wineserver" -k 2>/dev/null || true
  [ -n "${BENCH_DIR:-}" ] || rm -rf "$work"
}
trap cleanup EXIT
cmake/wine-run.sh "$WINEPREFIX" wineboot --init </dev/null >/dev/null 2>&1

"$linux/bin/gen-textdb" --lines "$lines" --seed 1 "$work/input.txt"
wine_convert=(cmake/wine-run.sh "$WINEPREFIX" "$windows/bin/ipmdb-convert.exe")

# One timed run: prints its wall time in seconds.
timed() { /usr/bin/time -f "%e" -o "$work/time.txt" "$@" >/dev/null; cat "$work/time.txt"; }
run_linux_convert() { rm -f "$work/out.mdb"*; timed "$linux/bin/ipmdb-convert" --quiet "$work/input.txt" -o "$work/out.mdb"; }
run_wine_convert() { rm -f "$work/out.mdb"*; timed "${wine_convert[@]}" --quiet "$work/input.txt" -o "$work/out.mdb"; }
run_linux_sql() { timed sh -c '"$0" --sql "$1" > "$2"' "$linux/bin/ipmdb-convert" "$work/input.txt" "$work/out.sql"; }
run_wine_sql() {
  timed sh -c 'cmake/wine-run.sh "$WINEPREFIX" "$0" --sql "$1" > "$2"' "$windows/bin/ipmdb-convert.exe" \
    "$work/input.txt" "$work/out.sql"
}
# A Wine program that does nothing but start and end: what every Windows run pays first.
run_wine_start() { timed "${wine_convert[@]}" --version; }

names=(linux_convert wine_convert linux_sql wine_sql wine_start)
declare -A all
run_wine_convert >/dev/null  # Wine maps its DLLs once
for ((round = 0; round < repeat; round++)); do
  for name in "${names[@]}"; do all[$name]="${all[$name]:-} $("run_$name")"; done
done
median() { printf '%s\n' "$@" | sort -n | awk '{ v[NR] = $1 } END { print v[int((NR + 1) / 2)] }'; }

label() {
  case $1 in
    linux_convert) echo 'Linux `ipmdb-convert`' ;;
    wine_convert) echo 'Windows `ipmdb-convert.exe` under Wine' ;;
    linux_sql) echo 'Linux `ipmdb-convert --sql`' ;;
    wine_sql) echo 'Windows `ipmdb-convert.exe --sql` under Wine' ;;
    wine_start) echo 'Windows `ipmdb-convert.exe --version` under Wine (start and end)' ;;
  esac
}
echo "Machine: nproc = $(nproc), $(grep -m1 'model name' /proc/cpuinfo | cut -d: -f2 | sed 's/^ //'), $(uname -sr)," \
  "$(wine64 --version 2>/dev/null || /usr/lib/wine/wine64 --version)"
echo "Input: $lines lines; median of $repeat runs; load average at the end: $(cut -d' ' -f1-3 /proc/loadavg)"
echo
echo "| Run | Wall time | Lines/s |"
echo "|---|---|---|"
for name in "${names[@]}"; do
  s=$(median ${all[$name]})
  if [ "$name" = wine_start ]; then
    printf '| %s | %.2f s | |\n' "$(label "$name")" "$s"
  else
    awk -v label="$(label "$name")" -v s="$s" -v n="$lines" 'BEGIN { printf "| %s | %.2f s | %.0f |\n", label, s, n / s }'
  fi
done
