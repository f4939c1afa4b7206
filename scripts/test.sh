#!/usr/bin/env bash
# Installs what is missing, builds the project twice (plain, and with
# AddressSanitizer + UndefinedBehaviorSanitizer) and runs the whole test suite
# in both builds.
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/install-deps.sh
jobs=$(nproc)

run_build() {
    local dir=$1
    shift
    # A build folder made with another generator or compiler cannot be reused.
    if [ -f "$dir/CMakeCache.txt" ] && ! { grep -q '^CMAKE_GENERATOR:INTERNAL=Ninja$' "$dir/CMakeCache.txt" &&
        grep -q "^CMAKE_CXX_COMPILER:[A-Z]*=.*${CXX:-c++}\$" "$dir/CMakeCache.txt"; }; then
        rm -rf "$dir"
    fi
    cmake -G Ninja -S . -B "$dir" "$@" >/dev/null
    cmake --build "$dir" -j"$jobs"
    (cd "$dir" && ctest --output-on-failure -j"$jobs" --timeout 900)
    report_skips "$dir"
}

# Tests that cannot run here (the public reference files missing, a check
# that means nothing under the sanitizers) skip themselves with one line
# saying why; this counts them by reason.
report_skips() {
    local log="$1/Testing/Temporary/LastTest.log"
    [ -f "$log" ] || return 0
    local count
    count=$(grep -cE '^\[  SKIPPED \] [^ ]+\.[^ ]+ \([0-9]+ ms\)$' "$log" || true)
    [ "$count" -gt 0 ] || return 0
    echo "$1: $count tests skipped:"
    grep -A1 -E ': Skipped$' "$log" | grep -vE ': Skipped$|^--$' | sort | uniq -c | sed 's/^/  /'
}

run_build build -DCMAKE_BUILD_TYPE=Release
# Unoptimized: the sanitizers' checks make optimizing slow, and the tests are
# short. Built with clang, which compiles the instrumented code in half the
# time gcc takes.
CC=clang CXX=clang++ ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 \
    UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 LSAN_OPTIONS="suppressions=$PWD/tests/lsan.supp" \
    run_build build-asan -DCMAKE_BUILD_TYPE=Debug -DCMAKE_CXX_FLAGS_DEBUG="-O0 -g1" \
    -DTARVOS_SANITIZE=ON
# A few seconds of every fuzz target; scripts/fuzz.sh runs them longer.
bash scripts/fuzz.sh 5 --no-keep
