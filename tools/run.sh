#!/usr/bin/env bash
# Builds Kadenzo.exe and starts it under Wine (on $DISPLAY, or on a private Xvfb when there is none).
# Arguments are passed to the program (for example a song to open).
set -eu
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
if [ ! -e /dev/snd/seq ]; then
  echo "run.sh: no ALSA sequencer (/dev/snd/seq): previews will report no MIDI output device; see \"Hearing the preview on Linux\" in README.md" >&2
fi
tools/install-deps.sh
cmake --preset windows >/dev/null
cmake --build --preset windows -j"$(nproc)"
cd build/windows/bin
exec "$root/tools/wine-run.sh" Kadenzo.exe "$@"
