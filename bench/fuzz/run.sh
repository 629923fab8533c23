#!/usr/bin/env bash
# Fuzzes the suite reader of mic1 test with libFuzzer for SECONDS (default 600), starting
# from the example suites. Needs clang and its runtime (apt-get install clang libclang-rt-14-dev).
# Inputs that fail land in build-fuzz/findings/; replay one with build-fuzz/suite_fuzz FILE.
set -euo pipefail
cd "$(dirname "$0")/../.."
out=build-fuzz
mkdir -p "$out/corpus" "$out/findings"
clang++ -std=c++20 -g -O1 -fsanitize=fuzzer,address,undefined -fno-sanitize-recover=undefined \
    -DTOML_HEADER_ONLY=1 -UNDEBUG -I. bench/fuzz/SuiteFuzz.cpp cli/Suite.cpp support/FileBytes.cpp \
    -o "$out/suite_fuzz"
"$out/suite_fuzz" -max_total_time="${1:-600}" -max_len=4096 -dict=bench/fuzz/suite.dict \
    -artifact_prefix="$out/findings/" "$out/corpus" examples/tests
