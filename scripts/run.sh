#!/usr/bin/env bash
# Installs what is missing, builds the service and runs it in the foreground
# on its default endpoint http://localhost:35340/tarvosServer450.
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/install-deps.sh
cmake -S . -B build -DCMAKE_BUILD_TYPE=Release -DTARVOS_BENCH=OFF >/dev/null
cmake --build build --target tarvosserver450 -j"$(nproc)"

ini=build/bin/TarvosServer450.ini
if ! grep -qiE '^\s*isInstalled\s*=\s*[1-9]' "$ini" 2>/dev/null; then
    # The service only runs once it is marked installed.
    if [ -f "$ini" ]; then
        sed -i '/^\s*isInstalled\s*=/Id' "$ini"
        grep -qi '^\[Settings\]' "$ini" || printf '[Settings]\n' >>"$ini"
        sed -i '0,/^\[Settings\]/I{s/^\[Settings\]/[Settings]\nisInstalled=1/I}' "$ini"
    else
        printf '[Settings]\nisInstalled=1\n' >"$ini"
    fi
fi
exec build/bin/tarvosserver450 -debug
