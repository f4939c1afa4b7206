#!/usr/bin/env bash
# Soak run: starts the real service (build/bin/tarvosserver450, built when
# missing) in a temporary folder with its own INI and drives CLIENTS
# concurrent clients through whole invoices for MINUTES; prints a summary
# and exits with 1 when a check fails. The scenario and the checks are
# described at the top of scripts/soak.py.
#
#   scripts/soak.sh [MINUTES] [CLIENTS]      (default 10 minutes, 64 clients)
set -euo pipefail
cd "$(dirname "$0")/.."

if [ ! -x build/bin/tarvosserver450 ]; then
    cmake -G Ninja -S . -B build -DCMAKE_BUILD_TYPE=Release >/dev/null
    cmake --build build -j"$(nproc)" --target tarvosserver450
fi
exec python3 scripts/soak.py build/bin "${1:-10}" "${2:-64}"
