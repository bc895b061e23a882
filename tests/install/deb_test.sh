#!/usr/bin/env bash
# The Debian package from CPack holds the programs, the desktop entries, the MIME package, the
# icons and the manual under /usr, and names the libraries it needs.
set -euo pipefail
build=$1
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }

cpack -G DEB --config "$build/CPackConfig.cmake" -B "$tmp" >"$tmp/cpack.log" 2>&1 || { cat "$tmp/cpack.log"; fail cpack; }
deb=$(ls "$tmp"/tovimeter_*.deb)
dpkg-deb --info "$deb" >"$tmp/info"
dpkg-deb --contents "$deb" | awk '{print $NF}' >"$tmp/contents"
grep -q '^ Package: tovimeter$' "$tmp/info" || fail "package name"
grep -q '^ Depends: .*libqt6widgets6' "$tmp/info" || fail "no dependency on the Qt libraries"
grep -q '^ Depends: .*qt6-translations-l10n' "$tmp/info" || fail "no dependency on Qt's Japanese buttons and dialogs"
grep -q '^ Depends: .*fonts-liberation2' "$tmp/info" || fail "no dependency on the Liberation fonts"
for f in ./usr/bin/tovimeter ./usr/bin/ruvo ./usr/bin/ruvo-tool \
         ./usr/share/applications/tovimeter.desktop ./usr/share/applications/ruvo.desktop \
         ./usr/share/mime/packages/tovimeter.xml \
         ./usr/share/icons/hicolor/scalable/apps/tovimeter.svg \
         ./usr/share/tovimeter/system/help/ruvo-help.html ./usr/share/tovimeter/system/help/ruvo-help.pdf \
         ./usr/bin/libruvo_chartpng.so ./usr/lib/tovimeter/ruvo-examinee/ruvo \
         ./usr/lib/tovimeter/ruvo-examinee/ruvo-runtime/ruvo; do
  grep -qxF "$f" "$tmp/contents" || fail "$f is not in the package"
done
# The desktop's caches are dpkg's to build (triggers): a package never ships them.
! grep -qE 'mime/mime.cache|applications/mimeinfo.cache' "$tmp/contents" || fail "package ships a cache"
echo "deb test passed"
