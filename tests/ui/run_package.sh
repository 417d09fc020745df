#!/usr/bin/env bash
# Makes the zip a user downloads from the built files, unzips it into a fresh folder and runs the
# end-to-end driver against the program there: run_package.sh DRIVER_EXE BUILD_DIR
set -eu
driver=$1
build=$(cd "$2" && pwd)
root=$(cd "$(dirname "$0")/../.." && pwd)
unpacked=$build/tests/ui/package
rm -rf "$unpacked"
mkdir -p "$unpacked"
python3 "$root/tools/make_package.py" "$build/bin" "$root/res/package_readme.txt" "$unpacked/Kadenzo.zip"
python3 -m zipfile -e "$unpacked/Kadenzo.zip" "$unpacked"
KADENZO_PROGRAM_DIR=$unpacked/Kadenzo-1.8 "$root/tests/ui/run_driver.sh" "$driver" "$build"
