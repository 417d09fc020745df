#!/usr/bin/env bash
# Builds Kadenzo.exe and starts it under Wine (on $DISPLAY, or on a private Xvfb when there is none).
# Arguments are passed to the program (for example a song to open).
set -eu
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
tools/install-deps.sh
cmake --preset windows >/dev/null
cmake --build --preset windows -j"$(nproc)"
cd build/windows/bin
exec "$root/tools/wine-run.sh" Kadenzo.exe "$@"
