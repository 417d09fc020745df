#!/usr/bin/env bash
# Opens each settings dialog with and without the add-on's spin controls on a private display and
# saves a picture of each (eight PNG files): tools/dialog-screenshots.sh [folder]
# KADENZO_DPI=144 (or 192, ...) takes them on a screen of that scale, in a prefix of that DPI.
# Needs the windows build (target win_tests).
set -eu
root=$(cd "$(dirname "$0")/.." && pwd)
out=$(realpath -m "${1:-$root/build/windows/screens/dialogs}")
tests="$root/build/windows/tests/win/win_tests.exe"
[ -f "$tests" ] || { echo "build win_tests first: cmake --build --preset windows --target win_tests" >&2; exit 1; }
mkdir -p "$out"
unset DISPLAY
cd "$(dirname "$tests")"
KADENZO_SCREENS="$out" "$root/tools/wine-session.sh" bash -c '
  for name in tone volume instrument tempo; do
    for addon in without with; do
      "$0" "$1" --gtest_filter="SettingsDialogs/DialogLayoutTest.*/${name}_${addon}_rfk32" >/dev/null
    done
  done
' "$(command -v wine)" "$tests"
ls "$out"/*.png
