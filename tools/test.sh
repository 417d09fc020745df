#!/usr/bin/env bash
# Builds everything and runs every test: the native core tests, then the Windows tests under Wine.
set -eu
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
tools/install-deps.sh
jobs=$(nproc)

cmake --preset native >/dev/null
cmake --build --preset native -j"$jobs"
ctest --preset native -j"$jobs"

for extra in tools/test-*.sh; do
  [ -x "$extra" ] && "$extra"
done

cmake --preset windows >/dev/null
cmake --build --preset windows -j"$jobs"
# The prefixes of other screen scales are made before the run, not by its first tests: making one
# takes a core for a quarter of a minute, which the tests beside it would feel.
for dpi in 144 192; do KADENZO_DPI=$dpi tools/wine-session.sh true; done
tools/wine-session.sh ctest --preset windows -j"$jobs"
