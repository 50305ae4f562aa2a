#!/usr/bin/env bash
# Installs the build into scratch prefixes (plain and with DESTDIR) and checks what a desktop
# needs: the files in their places, the menu entry and metainfo accepted by the validators,
# the entry naming the program and an icon that exists, each PNG icon the size its folder says.
# Usage: check-install.sh BUILD_DIR APP_ID VERSION
set -euo pipefail
build=$1 id=$2 version=$3
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }

cmake --install "$build" --prefix "$scratch/usr" >/dev/null
DESTDIR="$scratch/dest" cmake --install "$build" --prefix /opt/brimlet >/dev/null
[ -x "$scratch/dest/opt/brimlet/bin/brimlet" ] || fail "DESTDIR install has no bin/brimlet"
[ ! -e "$scratch/opt" ] || fail "DESTDIR install wrote outside DESTDIR"

share=$scratch/usr/share
desktop=$share/applications/$id.desktop
metainfo=$share/metainfo/$id.metainfo.xml
for f in "$scratch/usr/bin/brimlet" "$scratch/usr/bin/brimlet-batch" "$desktop" "$metainfo" \
         "$share/icons/hicolor/scalable/apps/$id.svg"; do
  [ -s "$f" ] || fail "missing $f"
done
[ -x "$scratch/usr/bin/brimlet" ] || fail "bin/brimlet is not executable"

desktop-file-validate "$desktop" || fail "desktop-file-validate"
appstreamcli validate --no-net "$metainfo" || fail "appstreamcli validate"

field() { sed -n "s/^$1=//p" "$desktop"; }
[ "$(field Exec)" = "brimlet %f" ] || fail "Exec is '$(field Exec)'"
[ "$(field Icon)" = "$id" ] || fail "Icon is '$(field Icon)'"
mime=$(field MimeType)
for t in image/jpeg image/gif image/bmp image/x-icon image/vnd.microsoft.icon image/wmf \
         image/x-wmf image/emf image/x-emf; do
  [[ ";$mime" == *";$t;"* ]] || fail "MimeType lacks $t"
done
grep -q "<launchable type=\"desktop-id\">$id.desktop</launchable>" "$metainfo" ||
  fail "metainfo does not launch $id.desktop"
grep -q "<release version=\"$version\"" "$metainfo" || fail "metainfo has no release $version"

for n in 16 24 32 48 64 128 256; do
  png=$share/icons/hicolor/${n}x${n}/apps/$id.png
  file -b "$png" | grep -q "^PNG image data, $n x $n," || fail "$png: $(file -b "$png")"
done
echo "install checks passed"
