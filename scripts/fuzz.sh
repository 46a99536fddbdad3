#!/usr/bin/env bash
# Builds the libFuzzer targets with clang in build-fuzz and runs each for SECONDS
# (default 10) on a copy of its seed corpus, so a run never grows the committed corpus.
# Fails when any target finds a fault, printing the input that reproduces it; keep such an
# input in tests/fuzz/regressions/<target>/ once the fault is fixed.
#
#   scripts/fuzz.sh [SECONDS]
set -euo pipefail
cd "$(dirname "${BASH_SOURCE[0]}")/.."
source scripts/common.sh

seconds="${1:-10}"
[[ "$seconds" =~ ^[0-9]+$ ]] && ((seconds > 0)) || { tv_say "SECONDS must be a positive whole number, not '$seconds'"; exit 2; }

TV_PACKAGES+=(clang-14 libclang-rt-14-dev)
tv_install_packages

build=build-fuzz
instrument="-fsanitize=fuzzer-no-link"
CC=clang-14 CXX=clang++-14 cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DTOLVANE_FUZZ=ON -DTOLVANE_SANITIZE=ON \
    -DCMAKE_C_FLAGS="$instrument" -DCMAKE_CXX_FLAGS="$instrument" >/dev/null
targets=(registry picture layout)
cmake --build "$build" -j"$(nproc)" --target "${targets[@]/#/fuzz_}"

work="$(mktemp -d "${TMPDIR:-/tmp}/tolvane-fuzz.XXXXXX")"
trap 'rm -rf "$work"' EXIT

# The seeds of each target: its own corpus and the files the program really reads.
seed() {
    local target=$1 dir="$work/$1/corpus"
    mkdir -p "$dir"
    cp tests/fuzz/corpus/"$target"/* "$dir"/ 2>/dev/null || true
    cp tests/fuzz/regressions/"$target"/* "$dir"/ 2>/dev/null || true
    case "$target" in
        picture) cp src/resources/pictures/* "$dir"/ ;;
        layout) cp src/resources/layout/*.json "$dir"/ ;;
    esac
    rm -f "$dir"/README.md
}

export ASAN_OPTIONS="detect_leaks=1:abort_on_error=1"
export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1"
failed=()
for target in "${targets[@]}"; do
    seed "$target"
    mkdir -p "$work/$target/crash"
    tv_say "fuzzing $target for ${seconds}s"
    log="$work/$target/log"
    status=0
    dict=()
    [[ -f "tests/fuzz/$target.dict" ]] && dict=(-dict="tests/fuzz/$target.dict")
    # The layouts are tens of kilobytes; let mutations grow to twice the largest seed.
    "$build/tests/fuzz/fuzz_$target" "$work/$target/corpus" \
        -max_total_time="$seconds" -max_len=131072 -rss_limit_mb=2048 -timeout=20 \
        -artifact_prefix="$work/$target/crash/" -print_final_stats=1 "${dict[@]}" \
        >"$log" 2>&1 || status=$?
    grep -E '^stat::(number_of_executed_units|average_exec_per_sec|peak_rss_mb)' "$log" |
        sed "s/^/$target: /" >&2 || true
    if ((status != 0)) || compgen -G "$work/$target/crash/*" >/dev/null; then
        failed+=("$target")
        tv_say "$target FOUND A FAULT (exit $status); its report:"
        grep -v -E '^#[0-9]+' "$log" | tail -n 60 >&2
        for f in "$work/$target/crash"/*; do
            [[ -e "$f" ]] || continue
            keep="$build/fuzz-findings/$target/$(basename "$f")"
            mkdir -p "$(dirname "$keep")"
            cp "$f" "$keep"
            tv_say "reproduce with: $build/tests/fuzz/fuzz_$target $keep"
            tv_say "the input, base64: $(base64 -w0 "$f" | head -c 4000)"
        done
    fi
done

if ((${#failed[@]} > 0)); then
    tv_say "faults found by: ${failed[*]}"
    exit 1
fi
tv_say "no faults in ${targets[*]} (${seconds}s each)"
