#!/usr/bin/env bash
# Starts Kadenzo.exe on a private display, waits, and saves a screenshot of the whole screen:
# tools/screenshot.sh out.png [seconds to wait] [program arguments...]
# KADENZO_DPI=144 (or 192, ...) takes it on a screen of that scale, in a prefix of that DPI.
set -eu
root=$(cd "$(dirname "$0")/.." && pwd)
out=$(realpath -m "${1:-$root/build/screens/main.png}")
wait_seconds=${2:-4}
shift $(( $# > 2 ? 2 : $# ))
mkdir -p "$(dirname "$out")"
unset DISPLAY
cd "$root/build/windows/bin"
"$root/tools/wine-session.sh" bash -c '
  "$0" Kadenzo.exe "$@" & program=$!
  sleep "'"$wait_seconds"'"
  import -window root "'"$out"'"
  wineserver -k
  wait $program 2>/dev/null || true
' "$(command -v wine)" "$@"
echo "saved $out"
