#!/bin/sh
# Installs the build into a staging root and runs what was installed: the program must find its
# vendor library and res/ beside itself, the desktop file's icon must be there, and the installed
# tool must work. Usage: install_test.sh BUILD_DIR WORK_FOLDER
set -eu
build=$1
work=$2
rm -rf "$work"
mkdir -p "$work"
root="$work/root"
DESTDIR="$root" cmake --install "$build" --prefix /usr >"$work/install.log"

fail() {
    echo "install_test: $*" >&2
    exit 1
}

libdir=$(find "$root/usr/lib" -maxdepth 2 -type d -name talvik-mouse | head -n1)
[ -n "$libdir" ] || fail "no talvik-mouse folder under /usr/lib"
for f in talvik-mouse talvik-mousectl libhiddriver_5.so res/main.xml; do
    [ -e "$libdir/$f" ] || fail "$f is not installed beside the program"
done
for f in talvik-mouse talvik-mousectl; do
    [ -x "$root/usr/bin/$f" ] || fail "/usr/bin/$f does not lead to the program"
done
icon=$(sed -n 's/^Icon=//p' "$root/usr/share/applications/talvik-mouse.desktop")
[ -f "$root/usr/share/icons/hicolor/scalable/apps/$icon.svg" ] ||
    fail "the desktop file's icon $icon is not installed"
[ -f "$root/usr/lib/udev/rules.d/70-talvik-mouse.rules" ] || fail "the udev rule is not installed"
for size in 16 22 24 32 48 64 128 256; do
    [ -f "$root/usr/share/icons/hicolor/${size}x${size}/apps/$icon.png" ] || fail "no ${size}px icon"
done
[ -f "$root/usr/share/man/man1/talvik-mousectl.1.gz" ] || fail "the manual page is not installed"
ls "$root"/usr/share/metainfo/*.metainfo.xml >/dev/null 2>&1 || fail "no AppStream metainfo"

# The installed tool, through its link in bin/, against the virtual mouse on the cable.
"$root/usr/bin/talvik-mousectl" profile new Installed -o "$work/p.pro"
TALVIK_SIM_LOG="$work/sim.log" "$root/usr/bin/talvik-mousectl" --simulate=wired apply "$work/p.pro" \
    >"$work/apply.out"
grep -q '^FEATURE' "$work/sim.log" || fail "the installed tool's apply sent nothing"

# The installed program starts, paints its window and has its vendor library; SIGTERM ends it
# cleanly.
home="$work/home"
mkdir -p "$home/run"
chmod 700 "$home/run"
HOME="$home" XDG_DATA_HOME="$home/data" XDG_CONFIG_HOME="$home/config" XDG_RUNTIME_DIR="$home/run" \
    QT_QPA_PLATFORM=offscreen TALVIK_STARTUP_PROBE=1 QT_LOGGING_RULES="talvik.trace.debug=true" \
    "$root/usr/bin/talvik-mouse" >"$work/gui.out" 2>"$work/gui.err" &
pid=$!
i=0
while ! grep -q FIRST_PAINT "$work/gui.out" 2>/dev/null; do
    i=$((i + 1))
    if [ $i -gt 300 ] || ! kill -0 $pid 2>/dev/null; then
        kill -9 $pid 2>/dev/null || true
        cat "$work/gui.err" >&2
        fail "the installed program did not paint its window"
    fi
    sleep 0.1
done
kill -TERM $pid
status=0
wait $pid || status=$?
[ $status -eq 0 ] || { cat "$work/gui.err" >&2; fail "SIGTERM ended the program with status $status"; }
if grep -q "vendor library missing" "$work/gui.err"; then
    fail "the installed program did not find libhiddriver_5.so"
fi
[ -f "$home/data/talvik-mouse/ms_5/pro.data" ] || fail "the program saved no profiles"
echo "install_test: ok"
