#!/usr/bin/env bash
# Installs what is missing, checks the Debian package and the Windows build,
# then builds Talvane for Linux twice (plain, and with the address and
# undefined-behaviour sanitizers) and runs every test in both builds.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh

# Every build below, the package's and the Windows one included, fails on
# any compiler warning (CMake's option of the same name takes it from here).
export TALVANE_WARNINGS_AS_ERRORS=ON

build_and_test() {
  local dir=$1
  shift
  cmake -S . -B "$dir" -G Ninja "$@"
  cmake --build "$dir"
  (cd "$dir" && ctest --output-on-failure --timeout 600)
}

# The package: installed files, validators, install, start and removal.
scripts/test-package.sh
# The Windows build, cross-compiled and tested under Wine.
scripts/test-windows.sh

export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1

# The sanitizers make the real program slow to start; a few trials of each
# way out of a preview are enough there, the plain build runs them all.
build_and_test build/asan -DCMAKE_BUILD_TYPE=Debug -DTALVANE_SANITIZE=ON -DTALVANE_E2E_TRIALS=3
build_and_test build/test -DCMAKE_BUILD_TYPE=RelWithDebInfo
