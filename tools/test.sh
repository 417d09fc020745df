#!/usr/bin/env bash
# Builds everything and runs every test: the native core tests, the fuzzing and the Windows tests under Wine.
set -eu
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
tools/install-deps.sh
jobs=$(nproc)

# The Wine prefixes are made while the programs build: making one mostly waits on Wine's own
# services, so the build hardly feels it.
mkdir -p build
tools/wine-prefixes.sh > build/wine-prefixes.log 2>&1 &
prefixes=$!

# Both builds are configured at once: configuring runs mostly one process at a time.
cmake --preset native >/dev/null &
native=$!
cmake --preset windows >/dev/null &
windows=$!
wait "$native"
cmake --build --preset native -j"$jobs"
wait "$windows"
cmake --build --preset windows -j"$jobs"
wait "$prefixes" || { cat build/wine-prefixes.log >&2; exit 1; }

# The Windows tests mostly wait on Wine and leave the cores half idle: the native tests and the
# fuzzing run meanwhile. The Windows tests' output follows theirs.
tools/wine-session.sh ctest --preset windows -j"$jobs" > build/windows-tests.log 2>&1 &
windows_tests=$!
status=0
ctest --preset native -j"$jobs" || status=1
for extra in tools/test-*.sh; do
  if [ -x "$extra" ]; then "$extra" || status=1; fi
done
wait "$windows_tests" || status=1
cat build/windows-tests.log
exit $status
