#!/usr/bin/env bash
# Runs a command at another screen scale: tools/wine-dpi.sh DPI COMMAND...   (144 is 150 %, 192 is 200 %)
# Its Wine programs run in a prefix of that DPI (build/wine-dpi<DPI>, made on first use) with that
# prefix's server up for the whole run; inside a session the display is the session's.
set -u
export KADENZO_DPI=$1
shift
exec "$(dirname "${BASH_SOURCE[0]}")/wine-session.sh" "$@"
