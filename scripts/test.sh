#!/usr/bin/env bash
# Sets up, builds and runs the whole test suite.
# TALVIK_BUILD_DIR and TALVIK_CMAKE_ARGS select another build, e.g. a sanitizer build:
#   TALVIK_BUILD_DIR=build-asan TALVIK_CMAKE_ARGS=-DSANITIZE=address,undefined scripts/test.sh
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh
build_dir=${TALVIK_BUILD_DIR:-build}
# shellcheck disable=SC2086
cmake -S . -B "$build_dir" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo ${TALVIK_CMAKE_ARGS:-}
scripts/check-deps.sh "$build_dir"
cmake --build "$build_dir"
ctest --test-dir "$build_dir" --output-on-failure -j2 "$@"
