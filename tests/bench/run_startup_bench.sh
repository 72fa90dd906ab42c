#!/usr/bin/env bash
# Runs the start-up benchmark in a private X server: the program against
# plain Qt windows, interleaved. Run as root, so the program starts its
# keeper and lists every zone; in a private mount namespace with /etc
# overlaid, since a keeper starting takes a dead preview's way back there.
# Usage: run_startup_bench.sh BUILD_DIR [RUNS]
source "$(dirname "$0")/../e2e/private_etc.sh"
source "$(dirname "$0")/../e2e/xvfb_session.sh"
start_xvfb 1024 768
"$1/tests/startup_bench" "${2:-20}" "$1/app/talvane" "$1/tests/qt_baseline"
