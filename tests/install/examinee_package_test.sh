#!/usr/bin/env bash
# The examinee package runs where no window library is installed: ruvo-tool package makes the
# folder and its zip; the unpacked folder's launcher opens a test loading nothing from the
# machine but glibc, and again with every system Qt library and plugin hidden (when this
# user may make a mount namespace).
set -euo pipefail
build=$1
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }
samples="$(dirname "$0")/../../data/system/ruvof/sample"
tool="$build/bin/ruvo-tool"

mkdir -p "$tmp/collect" "$tmp/out"
zip=$("$tool" package "$samples/sample3-lighthouse.ruvo" "$samples/sample1-gettysburg.ruvo" \
        -o "$tmp/out/class 1" --collection "$tmp/collect") || fail "ruvo-tool package"
[ "$zip" = "$tmp/out/class 1.zip" ] || fail "zip at $zip"
echo "package: folder $(du -sk "$tmp/out/class 1" | cut -f1) KiB, zip $(( $(stat -c %s "$zip") / 1024 )) KiB"

mkdir "$tmp/unpacked"
(cd "$tmp/unpacked" && unzip -q "$zip") || fail "unzip"
pkg="$tmp/unpacked/class 1"
for f in ruvo ruvo_envi.dat sample3-lighthouse.ruvo sample1-gettysburg.ruvo ruvo-runtime/ruvo ruvo-runtime/qt.conf \
         ruvo-runtime/fonts.conf ruvo-runtime/lib/libQt6Core.so.6 ruvo-runtime/plugins/platforms/libqxcb.so; do
  [ -s "$pkg/$f" ] || fail "$f is not in the package"
done
[ -x "$pkg/ruvo" ] && [ -x "$pkg/ruvo-runtime/ruvo" ] || fail "the programs are not executable"
ls "$pkg"/ruvo-runtime/plugins/platforms/libqwayland-*.so >/dev/null 2>&1 || fail "no wayland platform plugin"
ls "$pkg"/ruvo-runtime/fonts/*.ttf >/dev/null 2>&1 || fail "no fonts"
! readelf -S "$pkg/ruvo-runtime/ruvo" | grep -q '\.symtab' || fail "the examinee program is not stripped"
bad=$(find "$pkg" -perm /022 | head -3)
[ -z "$bad" ] || fail "writable by others after unpacking: $bad"

# Started as an examinee starts it: nothing but glibc (libc, libm and the stubs of libpthread,
# libdl and librt it still installs) may come from the machine.
run() {
  (cd "$tmp/unpacked" && env -u LD_LIBRARY_PATH QT_QPA_PLATFORM=offscreen RUVO_QUIT_AFTER_FIRST_PAINT=1 \
     XDG_RUNTIME_DIR="$tmp" LD_DEBUG=libs LD_DEBUG_OUTPUT="$tmp/ld" "$@" timeout 120 "./class 1/ruvo" \
     "class 1/sample3-lighthouse.ruvo" >"$tmp/run.log" 2>&1) || { cat "$tmp/run.log"; fail "the launcher did not open the test"; }
  local foreign
  # The log of the program itself (the launcher's shell and its tools log their own).
  local log
  log=$(grep -lF "(RPATH from file $pkg/ruvo-runtime/ruvo)" "$tmp"/ld.*) || fail "no loader log of the program"
  foreign=$(sed -n 's/.*calling init: //p' $log | grep -vF "$pkg/" |
              grep -vE '/(libc\.so\.6|libm\.so\.6|libpthread\.so\.0|libdl\.so\.2|librt\.so\.1|ld-linux-x86-64\.so\.2|gconv/[^/]+\.so)$' || true)
  rm -f "$tmp"/ld.*
  [ -z "$foreign" ] || fail "loaded from the machine: $foreign"
}
run

# The same with the system's Qt out of sight.
hide="$tmp/hide.sh"
cat >"$hide" <<'EOF'
set -e
qt=/usr/lib/x86_64-linux-gnu/qt6
[ -d "$qt" ] && mount -t tmpfs none "$qt"
for f in /usr/lib/x86_64-linux-gnu/libQt6*.so* /lib/x86_64-linux-gnu/libQt6*.so*; do
  [ -f "$f" ] && [ ! -L "$f" ] && mount --bind /dev/null "$f"
done
exec "$@"
EOF
if unshare -m --propagation private true 2>/dev/null; then
  run unshare -m --propagation private bash "$hide"
else
  echo "note: no mount namespace here; the run with the system Qt hidden was skipped"
fi
echo "examinee package test passed"
