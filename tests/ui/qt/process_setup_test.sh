#!/usr/bin/env bash
# The window's process set-up. Started with standard input, output and error closed, as a
# launcher may start it, it keeps those descriptors on the null device, so that no file it opens
# takes their place; and it ignores SIGPIPE and SIGXFSZ, so that a file-size limit fails a commit
# with a message instead of killing the window in the middle of it. SIGTERM then closes it.
# Usage: process_setup_test.sh WINDOW_PROGRAM WORK_FOLDER
set -euo pipefail
window=$1
work=$2
rm -rf "$work"
mkdir -p "$work"
export HOME=$work XDG_CONFIG_HOME=$work/config

"$window" <&- >&- 2>&- &
pid=$!

ignores() {  # whether the process ignores signal $1
  local mask
  mask=$(awk '/^SigIgn:/ { print $2 }' "/proc/$pid/status" 2>/dev/null) || return 1
  [ -n "$mask" ] && (( (0x$mask >> ($1 - 1)) & 1 ))
}

for _ in $(seq 300); do
  if [ "$(readlink "/proc/$pid/exe")" = "$(readlink -f "$window")" ] && ignores 13 && ignores 25; then
    break
  fi
  sleep 0.1
done
failed=0
for signal in 13 25; do
  if ! ignores $signal; then
    echo "FAIL: the window does not ignore signal $signal"
    failed=1
  fi
done
for fd in 0 1 2; do
  target=$(readlink "/proc/$pid/fd/$fd" || echo closed)
  if [ "$target" != /dev/null ]; then
    echo "FAIL: descriptor $fd of the window is $target, not /dev/null"
    failed=1
  fi
done
kill -TERM "$pid"
status=0
wait "$pid" || status=$?
if [ $status -ne 0 ]; then
  echo "FAIL: the window ended with status $status after SIGTERM"
  failed=1
fi
[ $failed -eq 0 ] && echo "OK: descriptors on /dev/null, SIGPIPE and SIGXFSZ ignored, SIGTERM closes"
exit $failed
