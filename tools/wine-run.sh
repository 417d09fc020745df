#!/usr/bin/env bash
# Runs one Windows executable under Wine: tools/wine-run.sh program.exe [arguments...]
# Inside a session (tools/wine-session.sh) it only starts the program; alone, it starts and stops
# the prefix's server and, without a display, a private Xvfb.
set -u
source "$(dirname "${BASH_SOURCE[0]}")/wine-env.sh"
if [ -n "${KADENZO_WINE_SESSION:-}" ]; then
  kadenzo_run_program "$@"
  exit $?
fi
kadenzo_begin_session || exit 1
trap kadenzo_end_session EXIT
kadenzo_run_program "$@"
exit $?
