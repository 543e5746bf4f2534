#!/bin/sh
# Builds the .deb with cpack, lists what it holds and runs the validators on it: lintian (no
# errors), appstreamcli on the metainfo, desktop-file-validate on the desktop file.
# Usage: deb_test.sh BUILD_DIR WORK_FOLDER
set -eu
build=$1
work=$2
rm -rf "$work"
mkdir -p "$work"

fail() {
    echo "deb_test: $*" >&2
    exit 1
}

cpack --config "$build/CPackConfig.cmake" -G DEB -B "$work" >"$work/cpack.log" 2>&1 ||
    { cat "$work/cpack.log" >&2; fail "cpack failed"; }
deb=$(ls "$work"/talvik-mouse_*.deb 2>/dev/null | head -n1)
[ -n "$deb" ] || fail "cpack made no .deb"
dpkg-deb -c "$deb" | tee "$work/contents.txt"

for f in ./usr/lib/talvik-mouse/talvik-mouse ./usr/lib/talvik-mouse/talvik-mousectl \
    ./usr/lib/talvik-mouse/libhiddriver_5.so ./usr/lib/talvik-mouse/res/main.xml \
    ./usr/lib/talvik-mouse/res/lan/EN.xml ./usr/bin/talvik-mouse ./usr/bin/talvik-mousectl \
    ./usr/lib/udev/rules.d/70-talvik-mouse.rules ./usr/share/applications/talvik-mouse.desktop \
    ./usr/share/icons/hicolor/scalable/apps/talvik-mouse.svg \
    ./usr/share/metainfo/example.talvik_gaming.TalvikMouse.metainfo.xml \
    ./usr/share/man/man1/talvik-mousectl.1.gz ./usr/share/doc/talvik-mouse/copyright; do
    grep -q " $f\( \|$\)" "$work/contents.txt" || fail "$f is not in the package"
done
for size in 16 22 24 32 48 64 128 256; do
    grep -q " ./usr/share/icons/hicolor/${size}x${size}/apps/talvik-mouse.png$" "$work/contents.txt" ||
        fail "no ${size}px icon"
done

# Dependencies come from the linked libraries.
depends=$(dpkg-deb -f "$deb" Depends)
echo "Depends: $depends"
for lib in libqt6widgets6 libhidapi-hidraw0 libudev1 libc6; do
    echo "$depends" | grep -q "$lib" || fail "Depends lacks $lib"
done

mkdir -p "$work/root"
dpkg-deb -x "$deb" "$work/root"
appstreamcli validate --no-net "$work/root/usr/share/metainfo/example.talvik_gaming.TalvikMouse.metainfo.xml" ||
    fail "appstreamcli validate failed"
desktop-file-validate "$work/root/usr/share/applications/talvik-mouse.desktop" ||
    fail "desktop-file-validate failed"
# The icons are the sizes their folders claim.
for size in 16 48 256; do
    file "$work/root/usr/share/icons/hicolor/${size}x${size}/apps/talvik-mouse.png" |
        grep -q "$size x $size" || fail "the ${size}px icon has another size"
done

lintian --tag-display-limit 0 "$deb" >"$work/lintian.txt" 2>&1 || true
cat "$work/lintian.txt"
if grep -q '^E:' "$work/lintian.txt"; then
    fail "lintian reports errors"
fi
echo "deb_test: ok"
