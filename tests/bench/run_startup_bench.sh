#!/usr/bin/env bash
# Runs the start-up benchmark in a private X server.
# Usage: run_startup_bench.sh BUILD_DIR [RUNS]
source "$(dirname "$0")/../e2e/xvfb_session.sh"
start_xvfb 1024 768
"$1/tests/startup_bench" "$1/tests/paint_probe" "${2:-20}"
