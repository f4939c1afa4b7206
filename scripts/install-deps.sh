#!/usr/bin/env bash
# Installs the Debian 12 packages that building, running and testing need.
# Installs nothing that is already there.
set -euo pipefail

packages=(
    build-essential cmake ninja-build pkg-config git
    libcpprest-dev libssl-dev
    libboost-dev wrk
    libxml2-dev libxml2-utils uuid-dev libsystemd-dev
    libxmlsec1-dev xmlsec1
    libcairo2-dev libpango1.0-dev libqrencode-dev fonts-liberation2
    libsqlite3-dev
    libgtest-dev libgmock-dev libbenchmark-dev
    clang libclang-rt-14-dev
    poppler-utils qpdf zxing-cpp-tools
)

missing=()
for package in "${packages[@]}"; do
    [ -n "$package" ] || continue
    dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "install ok installed" ||
        missing+=("$package")
done
if [ "${#missing[@]}" -gt 0 ]; then
    export DEBIAN_FRONTEND=noninteractive
    apt-get update -qq
    apt-get install -y -qq "${missing[@]}"
fi
