#!/usr/bin/env bash
# Builds everything with AddressSanitizer and UndefinedBehaviorSanitizer in build-asan and
# runs the whole test suite there, the end-to-end tests included (they start the sanitised
# program). Fails when a test fails or when any process, children and forks included,
# wrote a sanitizer report. Extra arguments go to ctest (e.g. -R monkey).
set -euo pipefail
cd "$(dirname "${BASH_SOURCE[0]}")/.."
source scripts/common.sh

tv_install_packages

build=build-asan
cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DTOLVANE_SANITIZE=ON >/dev/null
cmake --build "$build" -j"$(nproc)"

# Every report also goes to a file of its own, so a report from a process whose exit
# status nobody checks (a forked child, a program under Xvfb) still fails the run.
reports="$(mktemp -d "${TMPDIR:-/tmp}/tolvane-sanitize.XXXXXX")"
export ASAN_OPTIONS="detect_leaks=1:abort_on_error=1:log_path=$reports/asan"
export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1:log_path=$reports/ubsan"
trap 'rm -rf "$reports"' EXIT

# The package check refuses any binary that carries the build directory's path, and a
# sanitised binary always does (the sanitizers keep source file names for their
# reports); packaging is checked by the ordinary build instead.
skip='^install_and_package$'

status=0
start=$SECONDS
ctest --test-dir "$build" --output-on-failure -j2 --timeout 600 -E "$skip" "$@" || status=$?
tv_say "the sanitised suite took $((SECONDS - start)) s"

if compgen -G "$reports/*" >/dev/null; then
    tv_say "sanitizer reports:"
    for f in "$reports"/*; do
        printf '=== %s\n' "${f##*/}" >&2
        cat "$f" >&2
    done
    status=1
fi
if ((status != 0)); then
    tv_say "FAILED under the sanitizers"
    exit "$status"
fi
tv_say "the whole suite passes under AddressSanitizer and UndefinedBehaviorSanitizer"
