#!/usr/bin/env bash
# Builds the project with ThreadSanitizer and runs the tests that put threads
# against each other: the engine's multi-threaded tests and the in-process
# concurrency tests of the service (many clients while the sweep runs).
# Not part of the test command (a third full build); run it after changes to
# locking, the registry or the engine's shared state.
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/install-deps.sh
cmake -G Ninja -S . -B build-tsan -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_CXX_FLAGS_RELWITHDEBINFO="-O1 -g1" \
    -DTARVOS_TSAN=ON >/dev/null
cmake --build build-tsan -j"$(nproc)" --target engine_tests integration_tests tarvosserver450

threaded='*Thread*:*Concurren*:*AtOnce*:*AtTheSameTime*'
export TSAN_OPTIONS="halt_on_error=1 second_deadlock_stack=1 suppressions=$PWD/tests/tsan.supp"
build-tsan/engine_tests --gtest_filter="$threaded"
build-tsan/integration_tests --gtest_filter='InProcessTest.*'
