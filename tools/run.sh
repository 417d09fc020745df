#!/usr/bin/env bash
# Builds Kadenzo.exe and starts it under Wine (on $DISPLAY, or on a private Xvfb when there is none).
# Arguments are passed to the program (for example a song to open); one that names a file from
# where the user stands is passed as its full path, since the program starts in its own folder.
set -eu
root=$(cd "$(dirname "$0")/.." && pwd)
arguments=()
for argument in "$@"; do
  if [ -e "$argument" ] && [[ "$argument" != /* ]]; then argument="$PWD/$argument"; fi
  arguments+=("$argument")
done
cd "$root"
if [ -e /dev/snd/seq ]; then
  export KADENZO_AUDIO="${KADENZO_AUDIO:-alsa}"
else
  echo "run.sh: no ALSA sequencer (/dev/snd/seq): the preview plays into the recording test device; see \"Hearing the preview on Linux\" in README.md" >&2
fi
tools/install-deps.sh
cmake --preset windows >/dev/null
# Only what the program runs with: itself, its three libraries and the files beside it.
cmake --build --preset windows -j"$(nproc)" --target Kadenzo rfk32 Lfon Lyrafon kadenzo_help kadenzo_assets
# The animation clip is found relative to the current folder.
cd build/windows/bin
exec "$root/tools/wine-run.sh" Kadenzo.exe ${arguments[@]+"${arguments[@]}"}
