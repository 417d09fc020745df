#!/usr/bin/env bash
# Builds the conversion fuzz target with clang (libFuzzer, AddressSanitizer, UBSan) into
# build/fuzz and runs it for KADENZO_FUZZ_SECONDS (default 10), seeded with the test songs.
# Any crash, sanitizer report, broken invariant or hang fails.
set -eu
root=$(cd "$(dirname "$0")/.." && pwd)
out="$root/build/fuzz"
seconds="${KADENZO_FUZZ_SECONDS:-10}"
mkdir -p "$out/corpus"

clang++-14 -std=c++20 -g -O2 -fsanitize=fuzzer,address,undefined -fno-sanitize-recover=undefined \
  -fno-omit-frame-pointer -I"$root" \
  "$root/tests/fuzz/convert_fuzz.cpp" "$root/song/convert.cpp" "$root/song/song_header.cpp" \
  "$root/settings/conversion_settings.cpp" -o "$out/convert_fuzz"

echo "fuzzing the conversion walk for ${seconds} s"
cd "$out"
./convert_fuzz -max_total_time="$seconds" -timeout=10 -max_len=8192 -print_final_stats=1 \
  corpus "$root/tests/data/corpus" 2>&1 | tail -n 12
exit "${PIPESTATUS[0]}"
