#!/usr/bin/env bash
# Builds the libFuzzer targets with clang and runs each for a while on a copy of its seed corpus,
# so that the runs never grow the repository.
#   scripts/fuzz.sh [SECONDS per target, default 30] [TARGET ...]   (targets: tests/fuzz/corpus/*)
# TALVIK_FUZZ_BUILD_DIR selects the build folder (default build-fuzz). An input that crashes a
# reader or breaks one of its promises is kept under <build>/findings/<target>/ and the script
# fails after running the rest.
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-30}
shift || true
scripts/setup.sh
build_dir=${TALVIK_FUZZ_BUILD_DIR:-build-fuzz}
cmake -S . -B "$build_dir" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DCMAKE_C_COMPILER=clang-14 -DCMAKE_CXX_COMPILER=clang++-14 \
    -DTALVIK_BUILD_FUZZ=ON -DTALVIK_BUILD_TESTS=OFF -DTALVIK_BUILD_BENCH=OFF
cmake --build "$build_dir" --target talvik_fuzz

targets=("$@")
if ((${#targets[@]} == 0)); then
    for dir in tests/fuzz/corpus/*/; do
        targets+=("$(basename "$dir")")
    done
fi

# Corpus copies and the targets' scratch folders (TMPDIR), in memory where possible: the stores
# sync every file they write.
tmp_base=${TMPDIR:-/tmp}
if [[ -d /dev/shm && -w /dev/shm ]]; then
    tmp_base=/dev/shm
fi
work=$(mktemp -d -p "$tmp_base" talvik-fuzz-run.XXXXXX)
trap 'rm -rf "$work"' EXIT
failed=()
for target in "${targets[@]}"; do
    findings="$build_dir/findings/$target"
    mkdir -p "$findings"
    cp -r "tests/fuzz/corpus/$target" "$work/$target"
    log="$findings/last-run.log"
    echo "fuzz: $target for ${seconds}s"
    status=0
    TIMEFORMAT="cpu: %U s user, %S s system"
    time TMPDIR="$work" "$build_dir/fuzz/fuzz_$target" -max_total_time="$seconds" -timeout=10 \
        -print_final_stats=1 -artifact_prefix="$findings/" "$work/$target" >"$log" 2>&1 ||
        status=$?
    if ((status != 0)); then
        failed+=("$target")
        tail -n 40 "$log"
    fi
    # The last status line carries the executions and the coverage reached.
    grep -E '^#[0-9]+' "$log" | tail -n 1 || true
done

if ((${#failed[@]} > 0)); then
    echo "fuzz: findings in ${failed[*]} (inputs under $build_dir/findings/)" >&2
    exit 1
fi
