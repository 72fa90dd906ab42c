#!/usr/bin/env bash
# Installs what is missing, builds Talvane and starts it. Run as root: the
# program changes the system time zone.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh
cmake -S . -B build/release -G Ninja -DCMAKE_BUILD_TYPE=Release -DTALVANE_BUILD_TESTS=OFF
cmake --build build/release --target talvane
exec build/release/app/talvane
