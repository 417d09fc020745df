# Sourced by the Wine scripts: one private prefix and one way of starting Wine, everywhere.
# KADENZO_BUILD_DIR (default: build/ in the repository) holds the prefix in wine/.
# KADENZO_DPI other than 96 (tools/wine-dpi.sh) selects a prefix of that screen scale instead,
# wine-dpi<DPI>/: Wine reads the DPI once per process from the prefix, so a prefix of its own keeps
# the 96-DPI programs that share wine/ unaware of it. KADENZO_WINEPREFIX names a prefix instead.
kadenzo_root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
: "${KADENZO_BUILD_DIR:=$kadenzo_root/build}"
: "${KADENZO_DPI:=96}"
if [ -n "${KADENZO_WINEPREFIX:-}" ]; then
  export WINEPREFIX="$KADENZO_WINEPREFIX"
elif [ "$KADENZO_DPI" = 96 ]; then
  export WINEPREFIX="$KADENZO_BUILD_DIR/wine"
else
  export WINEPREFIX="$KADENZO_BUILD_DIR/wine-dpi$KADENZO_DPI"
fi
# The prefix of the end-to-end runs at a DPI (tests/ui/run_driver.sh): they read the screen and
# bring windows to the front, so each runs in a session of its own, whose prefix and display no
# test beside it uses.
kadenzo_end_to_end_prefix() {
  if [ "$1" = 96 ]; then echo "$KADENZO_BUILD_DIR/wine-e2e"; else echo "$KADENZO_BUILD_DIR/wine-dpi$1-e2e"; fi
}
export WINEARCH=win64
export WINEDEBUG="${WINEDEBUG:--all}"
export WINEDLLOVERRIDES="${WINEDLLOVERRIDES:-mscoree,mshtml=;winemenubuilder.exe=d}"
# Any locale will do: the programs' manifests give their processes code page 932.
export LC_ALL=C.UTF-8
kadenzo_wine=$(command -v wine)

# Runs one Windows program once and gives its exit status. Not started again on a quick failure:
# inside a running session a program that rejects its arguments is done within 50 ms, so a quick
# failure cannot be told from Wine failing to start, and a second start would run the program twice.
kadenzo_run_program() {
  "$kadenzo_wine" "$@"
}

# The prefix's make-up; a prefix stamped with an older one is brought up to date.
kadenzo_prefix_version=4
kadenzo_prefix_stamp() { echo "$WINEPREFIX/.kadenzo-prefix-version"; }
kadenzo_prefix_make_up() { echo "$kadenzo_prefix_version dpi $KADENZO_DPI"; }
kadenzo_prefix_current() { [ "$(cat "$(kadenzo_prefix_stamp)" 2>/dev/null)" = "$(kadenzo_prefix_make_up)" ]; }

# Wine's own FixedSys fonts have no kanji: where one is installed, the name "FixedSys" resolves to it
# and the substitute below never applies, so the log window's Japanese would show as boxes.
kadenzo_font_without_kanji() {
  case "$(basename "$1")" in fixedsys*.ttf | *vgafix.fon) return 0 ;; esac
  return 1
}

# Links Wine's fonts (without the kanji-less FixedSys ones) and the Japanese fonts into the prefix.
kadenzo_link_fonts() {
  local fonts="$WINEPREFIX/drive_c/windows/Fonts" f
  mkdir -p "$fonts"
  for f in "$fonts"/*; do
    kadenzo_font_without_kanji "$f" && rm -f "$f"
  done
  for f in /usr/share/wine/fonts/*; do
    kadenzo_font_without_kanji "$f" && continue
    [ -e "$fonts/$(basename "$f")" ] || ln -s "$f" "$fonts/"
  done
  for f in /usr/share/fonts/opentype/ipafont-gothic/*.ttf /usr/share/fonts/truetype/fonts-japanese-gothic.ttf; do
    [ -e "$f" ] && { [ -e "$fonts/$(basename "$f")" ] || ln -s "$(readlink -f "$f")" "$fonts/$(basename "$f")"; }
  done
}

# A prefix as wineboot leaves it, that no program has run in: every prefix starts as a copy of it.
# Booting a prefix takes a quarter of a minute, mostly waiting on Wine's services; a copy, a second.
kadenzo_booted_prefix="$KADENZO_BUILD_DIR/wine-booted"
kadenzo_boot_prefix() {
  local booted="$kadenzo_booted_prefix.done"
  [ -f "$booted" ] && return 0
  mkdir -p "$KADENZO_BUILD_DIR"
  (
    flock 9
    [ -f "$booted" ] && exit 0
    rm -rf "$kadenzo_booted_prefix"
    WINEPREFIX="$kadenzo_booted_prefix" "$kadenzo_wine" wineboot -i >/dev/null 2>&1
    WINEPREFIX="$kadenzo_booted_prefix" wineserver -w
    touch "$booted"
  ) 9>"$kadenzo_booted_prefix.lock"
}

# Creates the prefix once, from the booted one, and prepares it (fonts, substitutes, captions, no
# crash dialog, and our recording MIDI device as the only sound driver).
# Windows are not handed to a window manager: on a bare Xvfb there is none, and Wine would wait
# 2 s for one at every window it hides (every closed dialog and message box).
kadenzo_prepare_prefix() {
  kadenzo_prefix_current && return 0
  mkdir -p "$(dirname "$WINEPREFIX")"
  (
    flock 9
    kadenzo_prefix_current && exit 0
    if [ ! -f "$WINEPREFIX/system.reg" ]; then
      kadenzo_boot_prefix
      mkdir -p "$WINEPREFIX"
      cp -a "$kadenzo_booted_prefix/." "$WINEPREFIX/"
    fi
    kadenzo_link_fonts
    reg="$WINEPREFIX/kadenzo.reg"
    iconv -f UTF-8 -t UTF-16LE > "$reg" <<REG
﻿Windows Registry Editor Version 5.00

[HKEY_LOCAL_MACHINE\Software\Microsoft\Windows NT\CurrentVersion\FontSubstitutes]
"MS Shell Dlg"="IPAPGothic"
"MS Shell Dlg 2"="IPAPGothic"
"MS UI Gothic"="IPAPGothic"
"MS PGothic"="IPAPGothic"
"ＭＳ Ｐゴシック"="IPAPGothic"
"ＭＳ ゴシック"="IPAGothic"
"MS Gothic"="IPAGothic"
"FixedSys"="IPAGothic"

[HKEY_CURRENT_USER\Software\Wine\X11 Driver]
"Decorated"="N"
"Managed"="N"

[HKEY_CURRENT_USER\Software\Wine\WineDbg]
"ShowCrashDialog"=dword:00000000

[HKEY_CURRENT_USER\Software\Wine\Drivers]
"Audio"="kadenzo"

[HKEY_CURRENT_USER\Control Panel\Desktop]
"LogPixels"=dword:$(printf %08x "$KADENZO_DPI")
REG
    "$kadenzo_wine" regedit /S "$(winepath_w "$reg")" >/dev/null 2>&1 || "$kadenzo_wine" regedit /S "$reg" >/dev/null 2>&1
    wineserver -w
    rm -f "$WINEPREFIX/.kadenzo-ready"
    kadenzo_prefix_make_up > "$(kadenzo_prefix_stamp)"
  ) 9>"$WINEPREFIX.lock"
}
winepath_w() { echo "Z:${1//\//\\}"; }

# A private Xvfb when there is no display; its process id goes to kadenzo_xvfb_pid.
kadenzo_xvfb_pid=
kadenzo_start_display() {
  [ -n "${DISPLAY:-}" ] && return 0
  local n
  for n in $(seq 90 140); do
    [ -e "/tmp/.X$n-lock" ] || [ -e "/tmp/.X11-unix/X$n" ] && continue
    # A screen of a higher scale has more pixels: 1280 x 1024 at 100 %, 2560 x 2048 at 200 %.
    Xvfb ":$n" -screen 0 "$((1280 * KADENZO_DPI / 96))x$((1024 * KADENZO_DPI / 96))x24" -nolisten tcp >/dev/null 2>&1 &
    kadenzo_xvfb_pid=$!
    for _ in $(seq 50); do [ -e "/tmp/.X11-unix/X$n" ] && break; sleep 0.1; done
    if kill -0 "$kadenzo_xvfb_pid" 2>/dev/null; then export DISPLAY=":$n"; return 0; fi
  done
  echo "could not start Xvfb" >&2
  return 1
}

kadenzo_stop_display() {
  if [ -n "$kadenzo_xvfb_pid" ]; then kill "$kadenzo_xvfb_pid" 2>/dev/null; wait "$kadenzo_xvfb_pid" 2>/dev/null; fi
  kadenzo_xvfb_pid=
}

# The recording MIDI device (tools/midi_device), as built, into the prefix's system folder. Wine loads
# it as the "kadenzo" sound driver; without it the prefix has no MIDI output device.
kadenzo_midi_device="$KADENZO_BUILD_DIR/windows/tools/midi_device/winekadenzo.drv"
kadenzo_install_midi_device() {
  local target="$WINEPREFIX/drive_c/windows/system32/winekadenzo.drv"
  [ -f "$kadenzo_midi_device" ] || return 0
  cmp -s "$kadenzo_midi_device" "$target" || cp "$kadenzo_midi_device" "$target"
}

# The session's sound driver, KADENZO_AUDIO: "kadenzo" (the recording device, the default) or
# "alsa" (the ALSA sequencer, to hear the preview).
kadenzo_select_audio() {
  local wanted=${KADENZO_AUDIO:-kadenzo}
  grep -qF "\"Audio\"=\"$wanted\"" "$WINEPREFIX/user.reg" 2>/dev/null && return 0
  "$kadenzo_wine" reg add 'HKCU\Software\Wine\Drivers' /v Audio /d "$wanted" /f >/dev/null 2>&1
}

# The desktop keeper (tools/desktop_keeper), as built. The program that first needs a window starts
# the desktop process and hands it its standard error; Wine closes the desktop a second after its
# last program leaves, and the next program starts it again. A test that started it would have its
# output held open by it long after the test ended. The keeper starts the desktop process with the
# session's own output and keeps the desktop in use until the session ends. Before the Windows build
# there is no keeper: the desktop process is started here and lives as long as programs use it.
kadenzo_desktop_keeper="$KADENZO_BUILD_DIR/windows/tools/desktop_keeper/desktop_keeper.exe"
kadenzo_hold_desktop() {
  if [ ! -f "$kadenzo_desktop_keeper" ]; then
    "$kadenzo_wine" rundll32.exe user32.dll,GetDesktopWindow >/dev/null 2>&1
    return 0
  fi
  local keeper ready=
  exec {keeper}< <("$kadenzo_wine" "$kadenzo_desktop_keeper" </dev/null 2>/dev/null)
  read -r -t 60 ready <&"$keeper"
  exec {keeper}<&-
  [ "$ready" = ready ] || echo "the desktop keeper did not start" >&2
}

# Starts the prefix's server (and a display) for a run; kadenzo_end_session stops what was started.
kadenzo_begin_session() {
  kadenzo_start_display || return 1
  kadenzo_prepare_prefix
  kadenzo_install_midi_device
  wineserver -p
  "$kadenzo_wine" cmd /c exit >/dev/null 2>&1
  kadenzo_select_audio
  kadenzo_hold_desktop
  export KADENZO_WINE_SESSION=1
}
kadenzo_end_session() {
  wineserver -k 2>/dev/null
  kadenzo_stop_display
  unset KADENZO_WINE_SESSION
}
