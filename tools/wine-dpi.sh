#!/usr/bin/env bash
# The program on a screen of another scale (144 is 150 %, 192 is 200 %), in a Wine prefix of that
# DPI (build/wine-dpi<DPI>, made on first use):
#   tools/wine-dpi.sh DPI COMMAND...  runs COMMAND with that prefix's server up for the whole run
#   tools/wine-dpi.sh DPI up|down     starts or stops that server, around tests that set KADENZO_DPI
# Inside a session the display is the session's.
set -u
export KADENZO_DPI=$1
shift
here=$(dirname "${BASH_SOURCE[0]}")
case "${1:-}" in
  # The server and its services outlive this script: they must not hold its output open.
  up) source "$here/wine-env.sh" && kadenzo_begin_session >/dev/null 2>&1 </dev/null ;;
  down) source "$here/wine-env.sh" && wineserver -k 2>/dev/null; exit 0 ;;
  *) exec "$here/wine-session.sh" "$@" ;;
esac
