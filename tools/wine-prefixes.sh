#!/usr/bin/env bash
# Makes the Wine prefixes the tests use where they are missing or out of date: the shared one, the
# one of the 150-% tests, and those of the end-to-end runs at 96, 144 and 192 DPI. tools/test.sh
# runs it while the programs build.
set -u
here=$(dirname "${BASH_SOURCE[0]}")
source "$here/wine-env.sh"
kadenzo_start_display || exit 1
trap kadenzo_stop_display EXIT
prepare() { (KADENZO_DPI=$1 KADENZO_WINEPREFIX=${2:-} && source "$here/wine-env.sh" && kadenzo_prepare_prefix); }
prepare 96 && prepare 144 || exit 1
for dpi in 96 144 192; do prepare $dpi "$(kadenzo_end_to_end_prefix $dpi)" || exit 1; done
