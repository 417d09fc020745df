#!/usr/bin/env bash
# Builds the Windows program and its files, then the zip a user downloads:
# build/Kadenzo-1.8-win64.zip (see the README's "Package" section for what it holds).
set -eu
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
tools/install-deps.sh
cmake --preset windows >/dev/null
cmake --build --preset windows -j"$(nproc)" --target Kadenzo rfk32 Lfon Lyrafon kadenzo_help kadenzo_assets
python3 tools/make_package.py build/windows/bin res/package_readme.txt build/Kadenzo-1.8-win64.zip
