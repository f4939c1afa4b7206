#!/usr/bin/env bash
# Installs what is missing, builds the service and runs it in the foreground
# on its default endpoint http://localhost:35340/tarvosServer450.
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/install-deps.sh
# A build folder made with another generator cannot be reused.
if [ -f build/CMakeCache.txt ] && ! grep -q '^CMAKE_GENERATOR:INTERNAL=Ninja$' build/CMakeCache.txt; then
    rm -rf build
fi
cmake -G Ninja -S . -B build -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build build --target tarvosserver450 -j"$(nproc)"

exe=build/bin/tarvosserver450
ini=build/bin/TarvosServer450.ini
# The service runs only once it is installed (a systemd unit; where systemd
# runs it is also enabled for the next boot).
if ! grep -qiE '^\s*isInstalled\s*=\s*[1-9]' "$ini" 2>/dev/null; then
    "$exe" -install || true
    if ! grep -qiE '^\s*isInstalled\s*=\s*[1-9]' "$ini" 2>/dev/null; then
        # A unit of an earlier build is in the way: remove it and install anew
        # (the last switch counts; "-install" lets a not-installed copy run).
        "$exe" -install -uninstall >/dev/null 2>&1 || true
        "$exe" -install
    fi
fi
# The service run in the foreground; Ctrl-C (or SIGTERM) stops it in order.
exec "$exe"
