#!/usr/bin/env bash
# Builds the fuzzers with clang's libFuzzer and runs each for the given
# number of seconds, growing the committed corpora.
# Usage: tests/fuzz/run_fuzzers.sh [SECONDS [tzif|posix_tz|keeper_protocol]]
set -euo pipefail
cd "$(dirname "$0")/../.."
seconds=${1:-600}
only=${2:-}
out=build/fuzz
mkdir -p "$out"
fuzzers=(tzif posix_tz keeper_protocol)
sources=(tz/*.cpp keeper/protocol/*.cpp)
for fuzzer in "${fuzzers[@]}"; do
  [ -z "$only" ] || [ "$only" = "$fuzzer" ] || continue
  clang++ -std=c++20 -O1 -g -I. -fsanitize=fuzzer,address,undefined -fno-sanitize-recover=all \
    "tests/fuzz/${fuzzer}_fuzzer.cpp" "${sources[@]}" -o "$out/${fuzzer}_fuzzer"
done
for fuzzer in "${fuzzers[@]}"; do
  [ -z "$only" ] || [ "$only" = "$fuzzer" ] || continue
  mkdir -p "tests/fuzz/corpus/$fuzzer"
  "$out/${fuzzer}_fuzzer" -max_total_time="$seconds" -max_len=65536 -timeout=10 -artifact_prefix="$out/" \
    -print_final_stats=1 "tests/fuzz/corpus/$fuzzer" 2>&1 | tail -n 12
done
