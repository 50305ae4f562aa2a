#!/usr/bin/env bash
# Makes the Debian package from the build, unpacks it into a scratch root with dpkg -x,
# checks its file list and dependencies, then starts the unpacked program from outside the
# source tree on the test's X display and checks that its window comes up showing the sample
# photograph and carries the class its menu entry names.
# Usage: check-package.sh BUILD_DIR APP_ID
set -euo pipefail
build=$1 id=$2
[ -n "${DISPLAY:-}" ] || { echo "no X display: skipped"; exit 77; }
scratch=$(mktemp -d)
pid=
trap '[ -n "$pid" ] && kill "$pid" 2>/dev/null; rm -rf "$scratch"' EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }

cpack --config "$build/CPackConfig.cmake" -B "$scratch/out" >/dev/null
deb=$(ls "$scratch"/out/brimlet_*_*.deb)
dpkg-deb -c "$deb" | awk '{print $6}' | grep -v '/$' | sort > "$scratch/files"
cat > "$scratch/expected" <<LIST
./usr/bin/brimlet
./usr/bin/brimlet-batch
./usr/share/applications/$id.desktop
./usr/share/icons/hicolor/128x128/apps/$id.png
./usr/share/icons/hicolor/16x16/apps/$id.png
./usr/share/icons/hicolor/24x24/apps/$id.png
./usr/share/icons/hicolor/256x256/apps/$id.png
./usr/share/icons/hicolor/32x32/apps/$id.png
./usr/share/icons/hicolor/48x48/apps/$id.png
./usr/share/icons/hicolor/64x64/apps/$id.png
./usr/share/icons/hicolor/scalable/apps/$id.svg
./usr/share/man/man1/brimlet-batch.1
./usr/share/metainfo/$id.metainfo.xml
LIST
sort -o "$scratch/expected" "$scratch/expected"
diff -u "$scratch/expected" "$scratch/files" || fail "package file list"
depends=$(dpkg-deb -f "$deb" Depends)
for lib in libqt6widgets6 libqt6gui6 libjpeg62-turbo libgif7 qt6-qpa-plugins; do
  [[ "$depends" == *"$lib"* ]] || fail "Depends lacks $lib: $depends"
done

root=$scratch/root
dpkg -x "$deb" "$root"
cd "$scratch"
# A fresh home: no settings of the developer's leak in.
HOME=$scratch XDG_CONFIG_HOME=$scratch/config QT_QPA_PLATFORM=xcb "$root/usr/bin/brimlet" \
  >"$scratch/log" 2>&1 &
pid=$!
win=
for _ in $(seq 100); do
  win=$(xwininfo -root -tree 2>/dev/null | awk '/"Brimlet v4.08"/ {print $1; exit}')
  [ -n "$win" ] && break
  kill -0 "$pid" 2>/dev/null || { cat "$scratch/log"; fail "brimlet exited"; }
  sleep 0.2
done
[ -n "$win" ] || { cat "$scratch/log"; fail "no main window"; }
sleep 1
kill -0 "$pid" 2>/dev/null || { cat "$scratch/log"; fail "brimlet exited after showing"; }
wmclass=$(sed -n 's/^StartupWMClass=//p' "$root/usr/share/applications/$id.desktop")
xprop -id "$win" WM_CLASS | grep -q "\"$wmclass\"" || fail "WM_CLASS $(xprop -id "$win" WM_CLASS)"
# The photograph fills the panes with thousands of colours; an empty window has a handful.
import -window "$win" "$scratch/window.png"
colours=$(convert "$scratch/window.png" -format %k info:)
[ "$colours" -gt 2000 ] || fail "window shows $colours colours, not the sample photograph"
echo "package checks passed ($colours colours in the window)"
