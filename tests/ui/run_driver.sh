#!/usr/bin/env bash
# Runs the end-to-end driver under Wine and turns its screenshots into PNG files under build/screens/
# (build/screens/dpi<DPI>/ when KADENZO_DPI is set):
# run_driver.sh DRIVER_EXE BUILD_DIR [scenario]
# The program runs from BUILD_DIR/bin, or from KADENZO_PROGRAM_DIR when that is set.
set -u
driver=$1
build=$(cd "$2" && pwd)
root=$(cd "$(dirname "$0")/../.." && pwd)
screens=$(cd "$build/.." && pwd)/screens
[ "${KADENZO_DPI:-96}" = 96 ] || screens=$screens/dpi$KADENZO_DPI
scratch=$build/tests/ui/scratch/dpi${KADENZO_DPI:-96}
rm -rf "$scratch"
mkdir -p "$screens" "$scratch"
windows_path() { local p=$1; echo "Z:${p//\//\\}"; }

# A Wine session of the driver's own (tools/wine-env.sh tells why).
source "$root/tools/wine-env.sh"
KADENZO_WINEPREFIX=$(kadenzo_end_to_end_prefix "$KADENZO_DPI") env -u KADENZO_WINE_SESSION -u DISPLAY \
  "$root/tools/wine-run.sh" "$driver" "$(windows_path "${KADENZO_PROGRAM_DIR:-$build/bin}")" "$(windows_path "$screens")" \
  "$(windows_path "$root/tests/data")" "$(windows_path "$scratch")" ${3:+"$3"}
status=$?

for bmp in "$screens"/*.bmp; do
  [ -e "$bmp" ] || continue
  convert "$bmp" "${bmp%.bmp}.png" && rm -f "$bmp"
done
exit $status
