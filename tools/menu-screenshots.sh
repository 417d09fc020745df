#!/usr/bin/env bash
# Runs Kadenzo.exe on a private display, opens its menus and the about box with the keyboard, and
# saves what they look like: tools/menu-screenshots.sh [folder]  (default build/windows/screens)
#   menu-file.png     the file menu opened from the menu bar, its second command highlighted
#   menu-tools.png    the tools menu while the log window is shown (its command checked)
#   about-box.png     the about box
set -eu
root=$(cd "$(dirname "$0")/.." && pwd)
out=$(realpath -m "${1:-$root/build/windows/screens}")
mkdir -p "$out"
unset DISPLAY
cd "$root/build/windows/bin"
"$root/tools/wine-session.sh" bash -c '
  out=$1
  "$(command -v wine)" Kadenzo.exe & program=$!
  main=
  for _ in $(seq 60); do
    main=$(xdotool search --onlyvisible --name "^曲替丸$" 2>/dev/null | head -1) && [ -n "$main" ] && break
    sleep 0.5
  done
  [ -n "$main" ] || { echo "the main window did not appear" >&2; exit 1; }
  sleep 1
  # The main window exactly (its menus open inside it), without the bare screen around it.
  eval "$(xdotool getwindowgeometry --shell "$main")"
  area="${WIDTH}x${HEIGHT}+${X}+${Y}"
  shot() { sleep 0.8; import -window root -crop "$area" +repage "$out/$1"; echo "saved $out/$1"; }
  # A click on the caption makes the main window the active one again (there is no window manager).
  keys() { xdotool mousemove $((X + 150)) $((Y + 8)) click 1; sleep 0.3; xdotool key --delay 150 "$@"; }

  keys alt+f Down
  shot menu-file.png
  xdotool key Escape Escape
  keys alt+t l
  sleep 0.8
  # The log window opens over the main window: it goes to a corner of the screen, out of the picture.
  log=$(xdotool search --onlyvisible --name "^ログ$" 2>/dev/null | head -1 || true)
  [ -n "$log" ] && xdotool windowmove "$log" 900 800
  sleep 0.5
  keys alt+t Down Down
  shot menu-tools.png
  xdotool key Escape Escape
  keys alt+h v
  sleep 0.5
  about=$(xdotool search --onlyvisible --name "^バージョン情報$" | head -1)
  [ -n "$about" ] && eval "$(xdotool getwindowgeometry --shell "$about")" &&
    area="${WIDTH}x${HEIGHT}+${X}+${Y}"
  shot about-box.png
  wineserver -k
  wait $program 2>/dev/null || true
' bash "$out"
