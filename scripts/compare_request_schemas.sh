#!/usr/bin/env bash
# Validates XML request files with xmllint against our request schema
# (resources/generalInvoiceRequest_450.xsd) and against the published 4.50
# schema in ../shared/refdata/xsd, and prints both error counts per file.
# Exits with 1 when the two verdicts (valid / invalid) differ for any file.
#
# Usage: scripts/compare_request_schemas.sh [file.xml ...]
# Without arguments: every sample under ../shared/refdata/samples450 and
# ../shared/refdata/samples440.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
ours="$root/resources/generalInvoiceRequest_450.xsd"
published="$root/../shared/refdata/xsd/generalInvoiceRequest_450.xsd"

if [ "$#" -eq 0 ]; then
    set -- "$root"/../shared/refdata/samples450/*.xml "$root"/../shared/refdata/samples440/*.xml
fi

# Number of schema errors xmllint reports for file $2 against schema $1.
count_errors() {
    xmllint --noout --nonet --schema "$1" "$2" 2>&1 | grep -c "validity error" || true
}

differ=0
printf '%-10s %-10s %s\n' "published" "ours" "file"
for file in "$@"; do
    a="$(count_errors "$published" "$file")"
    b="$(count_errors "$ours" "$file")"
    mark=""
    if { [ "$a" -eq 0 ] && [ "$b" -ne 0 ]; } || { [ "$a" -ne 0 ] && [ "$b" -eq 0 ]; }; then
        mark="  <-- verdicts differ"
        differ=1
    fi
    printf '%-10s %-10s %s%s\n' "$a" "$b" "$(basename "$file")" "$mark"
done
exit "$differ"
