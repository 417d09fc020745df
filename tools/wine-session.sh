#!/usr/bin/env bash
# Runs a command (ctest, a driver, a shell) with the Wine prefix's server and a display up for the
# whole run, so every Windows program inside starts fast: tools/wine-session.sh ctest ...
set -u
source "$(dirname "${BASH_SOURCE[0]}")/wine-env.sh"
kadenzo_begin_session || exit 1
trap kadenzo_end_session EXIT
"$@"
