#!/bin/sh
# Builds the libFuzzer target of the invoice XML loader with clang and runs it
# for a bounded time, starting from the 4.50 and 4.40 samples.
#
#   fuzz/run.sh [SECONDS]      (default 300)
#
# Work files go to $TMPDIR/tarvos-xml-fuzz (default /tmp): the binary, the corpus and
# any crash inputs.
set -eu

here=$(cd "$(dirname "$0")" && pwd)
repo=$(dirname "$here")
refdata="$repo/../shared/refdata"
seconds=${1:-300}
work="${TMPDIR:-/tmp}/tarvos-xml-fuzz"
mkdir -p "$work/corpus"

sources=$(find "$repo/common" "$repo/platform" "$repo/module" -name '*.cpp' | sort)
flags=$(pkg-config --cflags --libs libxml-2.0 uuid libsystemd cairo cairo-pdf cairo-png \
        pangocairo libqrencode)

# shellcheck disable=SC2086
clang++ -std=c++17 -g -O1 -fsanitize=fuzzer,address,undefined -I"$repo" \
    -DTARVOS_SCHEMA_PATH="\"$repo/resources/generalInvoiceRequest_450.xsd\"" \
    "$here/xml_reader_fuzz.cpp" $sources $flags -lpthread -o "$work/xml_reader_fuzz"

cp "$refdata"/samples450/*.xml "$refdata"/samples440/*.xml "$work/corpus/"

cd "$work"
./xml_reader_fuzz -max_total_time="$seconds" -max_len=65536 -rss_limit_mb=2048 \
    -print_final_stats=1 corpus
