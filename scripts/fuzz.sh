#!/usr/bin/env bash
# Builds the libFuzzer targets of fuzz/ with clang (in build-fuzz/) and runs
# each of them for a bounded time, one after the other, starting from its
# seed corpus fuzz/corpus/<target>/ and its dictionary fuzz/<target>.dict
# (the XML loader also reads the public samples of $TARVOS_REFDATA when they
# are there).
#
#   scripts/fuzz.sh [SECONDS] [--no-keep] [TARGET...]
#
# SECONDS per target, default 60. Inputs that reach new coverage are merged
# into fuzz/corpus/<target>/ (libFuzzer's -merge=1 keeps only those that add
# coverage); --no-keep leaves the corpus as it is (the test command's short
# run). Prints executions, coverage and findings per target; a finding
# (crash, broken property, leak, time-out, memory limit) is saved under
# build-fuzz/run/<target>/ and makes the script exit with 1. FUZZ_FLAGS adds
# libFuzzer options (FUZZ_FLAGS=-runs=10000000: at most that many runs).
set -euo pipefail
cd "$(dirname "$0")/.."
repo=$PWD

seconds=60
keep=1
targets=()
for arg in "$@"; do
    case $arg in
        --no-keep) keep=0 ;;
        [0-9]*) seconds=$arg ;;
        *) targets+=("$arg") ;;
    esac
done
if [ "${#targets[@]}" -eq 0 ]; then
    for source in fuzz/*_fuzz.cpp; do targets+=("$(basename "$source" .cpp)"); done
fi
refdata=${TARVOS_REFDATA:-$repo/../shared/refdata}

launcher=()
command -v ccache >/dev/null && launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
if [ -f build-fuzz/CMakeCache.txt ] && ! grep -q '^CMAKE_GENERATOR:INTERNAL=Ninja$' build-fuzz/CMakeCache.txt; then
    rm -rf build-fuzz
fi
cmake -G Ninja -S fuzz -B build-fuzz -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ \
    "${launcher[@]}" >/dev/null
cmake --build build-fuzz -j"$(nproc)" --target "${targets[@]}"

# Leaks in the libraries' one-time initialisation are theirs, not findings.
export ASAN_OPTIONS=${ASAN_OPTIONS:-detect_leaks=1}
export LSAN_OPTIONS=${LSAN_OPTIONS:-suppressions=$repo/tests/lsan.supp}
export UBSAN_OPTIONS=${UBSAN_OPTIONS:-print_stacktrace=1}

failed=0
summary=()
for target in "${targets[@]}"; do
    work=build-fuzz/run/$target
    rm -rf "$work/new"
    mkdir -p "$work/new" "$work/findings" "fuzz/corpus/$target"
    seeds=("fuzz/corpus/$target")
    if [ "$target" = xml_reader_fuzz ]; then
        for folder in "$refdata/samples450" "$refdata/samples440"; do
            [ -d "$folder" ] && seeds+=("$folder")
        done
    fi
    options=(-max_total_time="$seconds" -timeout=30 -rss_limit_mb=2048 -print_final_stats=1
             -artifact_prefix="$work/findings/")
    [ -f "fuzz/$target.dict" ] && options+=(-dict="fuzz/$target.dict")
    # shellcheck disable=SC2206
    options+=(${FUZZ_FLAGS:-})
    before=$(find "$work/findings" -type f | wc -l)
    status=0
    "build-fuzz/$target" "${options[@]}" "$work/new" "${seeds[@]}" >"$work/log.txt" 2>&1 ||
        status=$?
    findings=$(($(find "$work/findings" -type f | wc -l) - before))
    [ "$status" -ne 0 ] && [ "$findings" -eq 0 ] && findings=1
    if [ "$findings" -gt 0 ]; then
        failed=1
        echo "== $target: finding (exit $status), see $work/log.txt and $work/findings/"
        grep -E 'ERROR|property violated|runtime error|SUMMARY' "$work/log.txt" | head -5 || true
    fi

    kept=0
    if [ "$keep" -eq 1 ] && [ -n "$(ls -A "$work/new")" ]; then
        count=$(find "fuzz/corpus/$target" -type f | wc -l)
        "build-fuzz/$target" -merge=1 "fuzz/corpus/$target" "$work/new" >"$work/merge.txt" 2>&1 || true
        kept=$(($(find "fuzz/corpus/$target" -type f | wc -l) - count))
    fi

    runs=$(grep -oP 'stat::number_of_executed_units:\s*\K[0-9]+' "$work/log.txt" | tail -1 || true)
    rate=$(grep -oP 'stat::average_exec_per_sec:\s*\K[0-9]+' "$work/log.txt" | tail -1 || true)
    last=$(grep -E '^#[0-9]+' "$work/log.txt" | tail -1 || true)
    cov=$(grep -oP 'cov: \K[0-9]+' <<<"$last" || true)
    ft=$(grep -oP 'ft: \K[0-9]+' <<<"$last" || true)
    summary+=("$(printf '%-22s %12s %8s %7s %7s %6s %8s' "$target" "${runs:-?}" "${rate:-?}" \
                 "${cov:-?}" "${ft:-?}" "$kept" "$findings")")
done

printf '%-22s %12s %8s %7s %7s %6s %8s\n' target executions exec/s cov ft kept findings
printf '%s\n' "${summary[@]}"
exit "$failed"
