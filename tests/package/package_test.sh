#!/usr/bin/env bash
# Builds the Debian package from a build folder (cpack), checks what it holds, unpacks it into a
# temporary root with dpkg-deb -x and runs both programs from there as an ordinary user: nobody
# when this runs as root, else the user running it. ipmdb-convert converts the sample; the window,
# on the offscreen platform, starts with the sample as its argument and is ended by SIGTERM, as a
# logout ends it, which it must survive with exit code 0.
# Usage: package_test.sh BUILD_DIR SAMPLE_TXT. Exits 77 (skipped) when dpkg-deb is missing.
set -euo pipefail

build=$1
sample=$2
command -v dpkg-deb >/dev/null || { echo "dpkg-deb is not installed: skipped"; exit 77; }

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
chmod 755 "$work"

fail() { echo "FAILED: $*" >&2; exit 1; }

(cd "$build" && cpack -G DEB -B "$work/package" >"$work/cpack.log" 2>&1) || { cat "$work/cpack.log"; fail "cpack"; }
debs=("$work"/package/ipmdb_*_*.deb)
[ -f "${debs[0]}" ] || fail "no ipmdb_<version>_<arch>.deb in $work/package"
deb=${debs[0]}
echo "package: $(basename "$deb")"

dpkg-deb -c "$deb" | awk '{print $6}' | sed 's|^\./|/|' >"$work/files"
for expected in /usr/bin/ipmdb /usr/bin/ipmdb-convert /usr/bin/jetcheck /usr/share/applications/ipmdb.desktop \
                /usr/share/icons/hicolor/16x16/apps/ipmdb.png /usr/share/icons/hicolor/48x48/apps/ipmdb.png \
                /usr/share/icons/hicolor/128x128/apps/ipmdb.png \
                /usr/share/man/man1/ipmdb-convert.1.gz; do
  grep -qx "$expected" "$work/files" || fail "the package lacks $expected"
done
depends=$(dpkg-deb -f "$deb" Depends)
echo "Depends: $depends"
for library in libc6 libstdc++6 libqt6widgets6; do
  [[ $depends == *"$library"* ]] || fail "Depends lacks $library"
done

root=$work/root
dpkg-deb -x "$deb" "$root"
data=$work/data
mkdir -p "$data/home"
cp "$sample" "$data/样本.txt"

# The ordinary user and how to become it.
run_as=()
if [ "$(id -u)" -eq 0 ]; then
  chown -R nobody: "$data"
  run_as=(setpriv --reuid=nobody --regid="$(id -g nobody)" --clear-groups --)
fi
environment=(env -i PATH=/usr/bin:/bin HOME="$data/home" XDG_CONFIG_HOME="$data/home/.config"
             QT_QPA_PLATFORM=offscreen LANG=C.UTF-8 ASAN_OPTIONS=detect_leaks=0)

"${run_as[@]}" "${environment[@]}" "$root/usr/bin/ipmdb-convert" "$data/样本.txt" -o "$data/输出.MDB" --quiet ||
  fail "ipmdb-convert exited with $?"
[ -s "$data/输出.MDB" ] || fail "ipmdb-convert wrote no database"
"${run_as[@]}" "${environment[@]}" "$root/usr/bin/jetcheck" --quiet "$data/输出.MDB" || fail "jetcheck exited with $?"

"${run_as[@]}" "${environment[@]}" "$root/usr/bin/ipmdb" "$data/样本.txt" &
window=$!
# The window has chosen its argument once it has kept the file's folder in its settings; only then
# is SIGTERM sure to be read by its event loop rather than kill it.
settings=$data/home/.config/ipmdb/ipmdb.conf
for _ in $(seq 600); do
  grep -q "lastFolder=$data" "$settings" 2>/dev/null && break
  kill -0 "$window" 2>/dev/null || break
  sleep 0.2
done
grep -q "lastFolder=$data" "$settings" 2>/dev/null || { kill -KILL "$window" 2>/dev/null; fail "the window did not start"; }
kill -TERM "$window"
status=0
wait "$window" || status=$?
[ "$status" -eq 0 ] || fail "the window exited with $status on SIGTERM"
echo "both programs ran from the package as $("${run_as[@]}" id -un)"
