#!/usr/bin/env bash
# Shows the spin controls of the built rfk32.dll beside edit boxes on a private display and saves a
# screenshot of the whole screen: tools/spin-screenshot.sh [out.png]
# Needs the windows build (target spin_demo).
set -eu
root=$(cd "$(dirname "$0")/.." && pwd)
out=$(realpath -m "${1:-$root/build/windows/screens/spin.png}")
demo="$root/build/windows/tests/spin/spin_demo.exe"
[ -f "$demo" ] || { echo "build spin_demo first: cmake --build --preset windows --target spin_demo" >&2; exit 1; }
mkdir -p "$(dirname "$out")"
unset DISPLAY
"$root/tools/wine-session.sh" bash -c '
  "$0" "$1" 6000 & demo=$!
  sleep 3
  import -window root "$2"
  wait $demo
' "$(command -v wine)" "$demo" "$out"
echo "saved $out"
