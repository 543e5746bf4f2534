#!/usr/bin/env bash
# Fails when the build or the tests use something that scripts/setup.sh does not install: every
# CMake package and pkg-config library found by the configure step, and every tool the tests run,
# must come from a package in the dependency closure of setup.sh's list. A machine that already
# has a package must not hide a missing install step.
# Usage: scripts/check-deps.sh <build dir>
set -euo pipefail
cd "$(dirname "$0")/.."
build_dir=${1:?usage: scripts/check-deps.sh <build dir>}
cache="$build_dir/CMakeCache.txt"
[[ -f $cache ]] || { echo "check-deps: $cache not found (configure first)" >&2; exit 2; }

mapfile -t listed < <(scripts/setup.sh --list)
closure=$(apt-cache depends --recurse --no-recommends --no-suggests --no-conflicts --no-breaks \
    --no-replaces --no-enhances "${listed[@]}" 2>/dev/null |
    sed -n 's/^\([a-z0-9][^ :]*\)\(:.*\)\{0,1\}$/\1/p' | sort -u)

# The Debian package that owns a path (the path as given, then with merged /usr undone, then the
# resolved link), or nothing.
owner() {
    local path=$1 candidate
    for candidate in "$path" "${path#/usr}" "$(readlink -f "$path")"; do
        [[ -n $candidate ]] || continue
        local found
        found=$(dpkg -S "$candidate" 2>/dev/null | head -n1 | cut -d: -f1 | cut -d, -f1) || true
        if [[ -n $found ]]; then
            echo "$found"
            return
        fi
    done
}

failures=0
check() {
    local what=$1 path=$2 package
    package=$(owner "$path")
    if [[ -z $package ]]; then
        echo "check-deps: $what ($path) belongs to no Debian package" >&2
        failures=$((failures + 1))
    elif ! grep -qx -- "$package" <<<"$closure"; then
        echo "check-deps: $what comes from $package, which scripts/setup.sh does not install" >&2
        failures=$((failures + 1))
    fi
}

# CMake packages: the config file inside each package directory the configure step recorded.
while IFS= read -r dir; do
    name=$(basename "$dir")
    config=""
    for candidate in "$dir/${name}Config.cmake" "$dir/${name,,}-config.cmake"; do
        [[ -f $candidate ]] && config=$candidate && break
    done
    check "CMake package $name" "${config:-$dir}"
done < <(sed -n 's/^[A-Za-z0-9_]*_DIR:PATH=\(\/.*\/cmake\/.*\)$/\1/p' "$cache" | sort -u)

# pkg-config libraries.
while IFS= read -r lib; do
    check "library $(basename "$lib")" "$lib"
done < <(sed -n 's/^pkgcfg_lib_[^:]*:FILEPATH=\(\/.*\)$/\1/p' "$cache" | sort -u)

# Tools the tests start.
for tool in xvfb-run Xvfb xdotool setxkbmap import dbus-daemon umockdev-run rsvg-convert cpack \
    dpkg-deb dpkg-shlibdeps file lintian appstreamcli desktop-file-validate setpriv; do
    path=$(command -v "$tool" || true)
    if [[ -z $path ]]; then
        echo "check-deps: the tests run $tool, which is not installed" >&2
        failures=$((failures + 1))
    else
        check "tool $tool" "$path"
    fi
done
# The BlueZ mock runs under the system's Python, not whatever python3 comes first in PATH.
dbusmock=$(/usr/bin/python3 -c 'import dbusmock, sys; sys.stdout.write(dbusmock.__file__)' 2>/dev/null || true)
if [[ -n $dbusmock ]]; then
    check "Python module dbusmock" "$dbusmock"
else
    echo "check-deps: the tests import the Python module dbusmock, which is not installed" >&2
    failures=$((failures + 1))
fi

if ((failures > 0)); then
    echo "check-deps: $failures dependencies are not installed by scripts/setup.sh" >&2
    exit 1
fi
echo "check-deps: every package the build and the tests use comes from scripts/setup.sh"
