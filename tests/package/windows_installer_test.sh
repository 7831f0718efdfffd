#!/usr/bin/env bash
# The Windows installer under Wine, in a Wine prefix of its own: made with cpack, installed
# silently, used, and uninstalled silently, after which nothing of it may be left.
#   windows_installer_test.sh CPACK SETUP SAMPLE [WINDOW_OUTPUT_PATH]
# SETUP is the installer cpack is to make in its build folder.
# WINDOW_OUTPUT_PATH, the program of that name, is given when the build has the window ipmdb.exe,
# which then must be installed with its Start-menu entry, and put its output database where the
# user can write.
# Wine runs as an ordinary user: as root, as nobody. The program folder is then made read-only
# for that user, as Program Files is on Windows, and the installed programs must still work.
set -euo pipefail
cpack=$1
setup=$2
sample=$3
window_output_path=${4:-}

fail() {
  echo "FAIL: $*" >&2
  exit 1
}

work=$(mktemp -d)
as_user=()
if [ "$(id -u)" -eq 0 ]; then
  as_user=(setpriv --reuid=nobody --regid=nogroup --clear-groups)
fi
# Copies files into the work folder for Wine's user, who may not be able to read the build's.
hand_over() {
  cp "$@" "$work/"
  [ ${#as_user[@]} -eq 0 ] || chown -R nobody:nogroup "$work"
}
wine=$(command -v wine64 || echo /usr/lib/wine/wine64)
wineserver=$(command -v wineserver || echo /usr/lib/wine/wineserver)
# winemenubuilder would copy the Start-menu entries into the Linux desktop's menu.
run() {
  "${as_user[@]}" env HOME="$work" WINEPREFIX="$work/prefix" WINEDEBUG=-all \
    WINEDLLOVERRIDES="mscoree,mshtml=,winemenubuilder.exe=d" "$@"
}
cleanup() {
  run "$wineserver" -k 2>/dev/null || true
  run "$wineserver" -w 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT

rm -f "$setup"
(cd "$(dirname "$setup")" && "$cpack" -G NSIS >/dev/null) || fail "cpack -G NSIS failed"
[ -f "$setup" ] || fail "cpack -G NSIS did not make $setup"
hand_over "$setup" "$sample"
run mkdir "$work/prefix"
run "$wineserver" -p
run "$wine" wineboot --init </dev/null >/dev/null 2>&1

drive_c="$work/prefix/drive_c"
menu="$drive_c/ProgramData/Microsoft/Windows/Start Menu/Programs/ipmdb"
uninstall_key='HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall\ipmdb'
vendor_key='HKLM\Software\Fenwarde'
folder="$drive_c/Program Files/ipmdb-test"
winfolder='C:\Program Files\ipmdb-test'
key_exists() {
  run "$wine" reg query "$1" </dev/null >/dev/null 2>&1
}
# Every file and folder of the prefix but the temporary ones, which Windows clears by itself.
list_drive_c() {
  (cd "$drive_c" && find . -path './users/*/Temp' -prune -o -print | sort)
}
list_drive_c >"$work/before.txt"
windows_path() {
  echo "Z:$(echo "$1" | tr / '\\')"
}

# Installed silently into a folder of our choice. The installer reads /D= to the end of its
# command line, spaces included, and refuses quotes, which wine would add: cmd passes it as it is.
run "$wine" cmd /c "$(windows_path "$work/$(basename "$setup")") /S /D=$winfolder" </dev/null >/dev/null 2>&1 || fail "the installer failed"
expected=(ipmdb-convert.exe jetcheck.exe README.md Uninstall.exe)
[ -n "$window_output_path" ] && expected+=(ipmdb.exe)
for file in "${expected[@]}"; do
  [ -f "$folder/$file" ] || fail "the installer did not install $file"
done
[ -f "$menu/Uninstall.lnk" ] || fail "no Start-menu entry for the uninstaller"
if [ -n "$window_output_path" ]; then
  [ -f "$menu/MorvaneIP数据库转换程序.lnk" ] || fail "no Start-menu entry for the window"
fi
key_exists "$uninstall_key" || fail "the program is not in the list of installed programs"
key_exists "$vendor_key" || fail "the installer did not record its folder under $vendor_key"

# The installed window's output database: in its own folder while the user can create files
# there, and in the user's documents folder once the folder is read-only, as Program Files is on
# Windows. Wine's null graphics driver shows the window nowhere.
output_name=MorvaneIP数据库.MDB
window_output() {
  run "$wine" "$work/$(basename "$window_output_path")" "$winfolder\\ipmdb.exe" </dev/null ||
    fail "the installed window did not start and close"
}
if [ -n "$window_output_path" ]; then
  hand_over "$window_output_path"
  # The desktop that wineboot started knows no driver yet: it starts again with the new one.
  run "$wine" reg add 'HKCU\Software\Wine\Drivers' /v Graphics /d null /f </dev/null >/dev/null 2>&1
  run "$wineserver" -k
  run "$wineserver" -w
  run "$wineserver" -p
  shown=$(window_output)
  [ "$shown" = "$winfolder\\$output_name" ] || fail "the window in a folder it may write to writes to $shown"
fi
chmod -R a-w "$folder"
if [ -n "$window_output_path" ]; then
  user=$(run id -un)
  shown=$(window_output)
  [ "$shown" = "C:\\users\\$user\\Documents\\$output_name" ] ||
    fail "the window in a folder it may not write to writes to $shown"
fi
# A conversion of the sample, and of an empty file for the rows of the empty template, each
# checked by the installed jetcheck.exe: the sample's lines are the rows it adds.
run touch "$work/empty.txt"
rows() {
  local input=$1 output=$work/$(basename "$1" .txt).mdb report
  run "$wine" "$winfolder\\ipmdb-convert.exe" "$(windows_path "$input")" -o "$(windows_path "$output")" --quiet \
    </dev/null || fail "the installed ipmdb-convert.exe failed on $(basename "$input")"
  report=$(run "$wine" "$winfolder\\jetcheck.exe" "$(windows_path "$output")" </dev/null) ||
    fail "the installed jetcheck.exe refused the output of $(basename "$input"): $report"
  echo "$report" | sed -n 's/^OK: .* \([0-9]*\) rows$/\1/p'
}
template_rows=$(rows "$work/empty.txt")
sample_rows=$(rows "$work/$(basename "$sample")")
lines=$(wc -l <"$sample")
[ $((sample_rows - template_rows)) = "$lines" ] ||
  fail "the sample's $lines lines became $((sample_rows - template_rows)) rows"
chmod -R u+w "$folder"

# Uninstalled silently. The uninstaller runs a copy of itself from the temporary folder and
# returns at once; its last step removes the installer's parent key.
run "$wine" "$winfolder\\Uninstall.exe" /S </dev/null >/dev/null 2>&1 || fail "the uninstaller failed"
for _ in $(seq 120); do
  key_exists "$vendor_key" || break
  sleep 0.5
done
[ ! -e "$folder" ] || fail "the uninstaller left $(cd "$folder" && find . | tr '\n' ' ')"
[ ! -e "$menu" ] || fail "the uninstaller left the Start-menu folder"
! key_exists "$uninstall_key" || fail "the uninstaller left $uninstall_key"
! key_exists "$vendor_key" || fail "the uninstaller left $vendor_key"
list_drive_c >"$work/after.txt"
diff "$work/before.txt" "$work/after.txt" || fail "the prefix's files differ from before the installation"
