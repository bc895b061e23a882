#!/usr/bin/env bash
# cmake --install into a temporary prefix, then look at it as a desktop does: the desktop entries
# validate, the MIME package is well-formed XML that update-mime-database takes, and files of our
# three types are recognised under that prefix and open with the right program.
set -euo pipefail
build=$1
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
prefix="$tmp/prefix with blank"
fail() { echo "FAIL: $*" >&2; exit 1; }

cmake --install "$build" --prefix "$prefix" >"$tmp/install.log" || { cat "$tmp/install.log"; fail "cmake --install"; }

for f in bin/tovimeter bin/ruvo bin/ruvo-tool \
         share/applications/tovimeter.desktop share/applications/ruvo.desktop \
         share/mime/packages/tovimeter.xml \
         share/tovimeter/system/help/ruvo-help.html share/tovimeter/system/help/ruvo-help.pdf \
         share/tovimeter/system/help/ruvo-help_CreateZip.html \
         share/tovimeter/system/ruvof/sample/sample1-gettysburg.ruvo \
         share/icons/hicolor/scalable/apps/tovimeter.svg share/icons/hicolor/scalable/apps/ruvo.svg \
         share/icons/hicolor/scalable/mimetypes/application-x-ruvo-test.svg \
         share/icons/hicolor/scalable/mimetypes/application-x-ruvo-project.svg \
         share/icons/hicolor/scalable/mimetypes/application-x-ruvo-result.svg; do
  [ -s "$prefix/$f" ] || fail "missing $f"
done
[ -x "$prefix/bin/ruvo" ] || fail "ruvo is not executable"
# What people install is stripped.
for p in bin/tovimeter bin/ruvo bin/ruvo-tool bin/libruvo_chartpng.so; do
  ! readelf -S "$prefix/$p" | grep -q '\.symtab' || fail "$p is not stripped"
done
echo "installed ruvo: $(( $(stat -c %s "$prefix/bin/ruvo") / 1024 )) KiB"
# The installed tool draws PNG charts.
mkdir -p "$tmp/results"
"$prefix/bin/ruvo-tool" simulate "$prefix/share/tovimeter/system/ruvof/sample/sample3-lighthouse.ruvo" \
  --name A --collection "$tmp/results" >/dev/null 2>&1 || fail "ruvo-tool simulate"
"$prefix/bin/ruvo-tool" chart "$tmp/results" -o "$tmp/chart.png" || fail "the installed ruvo-tool writes no PNG chart"
[ "$(head -c 4 "$tmp/chart.png" | tail -c 3)" = PNG ] || fail "chart.png is no PNG"
# The installed tool packs the installed examinee program with its libraries.
"$prefix/bin/ruvo-tool" package "$prefix/share/tovimeter/system/ruvof/sample/sample3-lighthouse.ruvo" \
  -o "$tmp/class 1" >/dev/null || fail "the installed ruvo-tool package"
[ -x "$tmp/class 1/ruvo" ] && [ -s "$tmp/class 1/ruvo-runtime/lib/libQt6Core.so.6" ] || fail "package without its runtime"
[ "$(head -c 5 "$prefix/share/tovimeter/system/help/ruvo-help.pdf")" = "%PDF-" ] || fail "the manual's PDF is no PDF"

desktop-file-validate "$prefix/share/applications/tovimeter.desktop" "$prefix/share/applications/ruvo.desktop" \
  || fail "desktop-file-validate"
xmllint --noout "$prefix/share/mime/packages/tovimeter.xml" || fail "MIME package is not well-formed"
for svg in "$prefix"/share/icons/hicolor/scalable/*/*.svg; do xmllint --noout "$svg" || fail "icon $svg"; done
# The install refreshed the caches; update-mime-database also rejects a malformed package.
[ -s "$prefix/share/mime/mime.cache" ] || fail "no MIME cache after the install"
update-mime-database "$prefix/share/mime" || fail "update-mime-database"

export XDG_DATA_DIRS="$prefix/share:/usr/share" XDG_DATA_HOME="$tmp/home/data" XDG_CONFIG_HOME="$tmp/home/config"
export XDG_CURRENT_DESKTOP=GNOME  # xdg-mime asks gio, which reads the shared MIME database
mkdir -p "$tmp/home/data" "$tmp/home/config" "$tmp/files"
# Contents as the programs write them (an empty file is "text/plain" to every desktop).
printf '{\\rtf1\\ansi\\ansicpg932 title=Unit 1\\par}' >"$tmp/files/a project.ruvp"
printf 'BDC1\001\000\000\000' >"$tmp/files/RESULT.RUVOT"
expect() {
  local got
  got=$(xdg-mime query filetype "$1")
  [ "$got" = "$2" ] || fail "xdg-mime query filetype $1: $got, expected $2"
}
expect "$prefix/share/tovimeter/system/ruvof/sample/sample1-gettysburg.ruvo" application/x-ruvo-test
expect "$tmp/files/a project.ruvp" application/x-ruvo-project
expect "$tmp/files/RESULT.RUVOT" application/x-ruvo-result
# xdg-mime's own search of the default program splits the data dirs at blanks: ask through a
# link without one.
ln -s "$prefix" "$tmp/prefix"
export XDG_DATA_DIRS="$tmp/prefix/share:/usr/share"
[ "$(xdg-mime query default application/x-ruvo-test)" = ruvo.desktop ] || fail "a test does not open in ruvo"
[ "$(xdg-mime query default application/x-ruvo-project)" = tovimeter.desktop ] || fail "a project does not open in tovimeter"
echo "install test passed"
