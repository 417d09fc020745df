#!/usr/bin/env bash
# Builds the fuzz targets with clang (libFuzzer, AddressSanitizer, UBSan) into build/fuzz and runs
# each for KADENZO_FUZZ_SECONDS (default 10), seeded with the test songs: the conversion walk, the
# song summary against the walk, and the engine's song reader with its scheduler and chase. Any
# crash, sanitizer report, broken invariant or hang fails. As many targets build and run at once as
# there are cores, so that each still has a core to itself for its whole time.
set -eu
root=$(cd "$(dirname "$0")/.." && pwd)
out="$root/build/fuzz"
seconds="${KADENZO_FUZZ_SECONDS:-10}"
cores=$(nproc)
mkdir -p "$out/corpus" "$out/summary_corpus" "$out/engine_corpus"
flags=(-std=c++20 -g -O2 -fsanitize=fuzzer,address,undefined -fno-sanitize-recover=undefined
       -fno-omit-frame-pointer -I"$root")

# Runs a command in the background once fewer than `cores` run; `finish` waits for all of them and
# fails when any failed.
failed=0
start() {
  while [ "$(jobs -rp | wc -l)" -ge "$cores" ]; do wait -n || failed=1; done
  "$@" &
}
finish() {
  local pid
  for pid in $(jobs -p); do wait "$pid" || failed=1; done
  return $failed
}

cd "$out"
start clang++-14 "${flags[@]}" \
  "$root/tests/fuzz/convert_fuzz.cpp" "$root/song/convert.cpp" "$root/song/song_header.cpp" \
  "$root/settings/conversion_settings.cpp" -o "$out/convert_fuzz"
start clang++-14 "${flags[@]}" \
  "$root/tests/fuzz/summary_fuzz.cpp" "$root/song/song_summary.cpp" "$root/song/convert.cpp" \
  "$root/song/song_header.cpp" "$root/settings/conversion_settings.cpp" -o "$out/summary_fuzz"
start clang++-14 "${flags[@]}" \
  "$root/tests/fuzz/engine_fuzz.cpp" "$root/engine/smf_reader.cpp" "$root/engine/channel_state.cpp" \
  "$root/engine/midi_messages.cpp" "$root/engine/sequencer.cpp" "$root/engine/whole_messages.cpp" -o "$out/engine_fuzz"
finish

# Runs one target, its output into <target>.log; -rss_limit_mb holds each input's memory, -timeout
# catches a hang.
fuzz() {
  local target=$1 corpus=$2
  "./${target}" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 -max_len=8192 -print_final_stats=1 \
    "$corpus" "$root/tests/data/corpus" > "${target}.log" 2>&1
}
targets=(convert_fuzz:corpus summary_fuzz:summary_corpus engine_fuzz:engine_corpus)
for target in "${targets[@]}"; do start fuzz "${target%%:*}" "${target#*:}"; done
finish || true
for target in "${targets[@]}"; do
  echo "fuzzing ${target%%:*} for ${seconds} s"
  tail -n 12 "${target%%:*}.log"
done
exit $failed
