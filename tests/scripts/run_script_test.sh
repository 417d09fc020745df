#!/usr/bin/env bash
# tools/run.sh started from another folder with a song named relative to it: Wine starts the
# program in its own folder with the song's full path, and the build asks only for what the
# program runs with. Stand-ins for cmake and wine on PATH record what they were given.
set -u
root=$(cd "$(dirname "$0")/../.." && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir -p "$work/bin" "$work/songs/sub"
cat > "$work/bin/cmake" <<'FAKE'
#!/usr/bin/env bash
printf '%s\n' "$*" >> "$FAKE_CMAKE"
mkdir -p build/windows/bin
FAKE
cat > "$work/bin/wine" <<'FAKE'
#!/usr/bin/env bash
{ echo "$PWD"; printf '%s\n' "$@"; } > "$FAKE_WINE"
FAKE
chmod +x "$work/bin/cmake" "$work/bin/wine"
: > "$work/songs/sub/song 1.mid"

failures=0
# case: the arguments given (| between them), then what Wine must get after Kadenzo.exe
while IFS=';' read -r given expected; do
  IFS='|' read -r -a arguments <<< "$given"
  rm -f "$work/cmake" "$work/wine"
  (cd "$work/songs" && PATH="$work/bin:$PATH" FAKE_CMAKE="$work/cmake" FAKE_WINE="$work/wine" \
     KADENZO_WINE_SESSION=1 "$root/tools/run.sh" ${arguments[@]+"${arguments[@]}"} >/dev/null 2>&1)
  want="$root/build/windows/bin"$'\nKadenzo.exe'
  [ -n "$expected" ] && want+=$'\n'"${expected//@/$work/songs}"
  if [ "$(cat "$work/wine" 2>/dev/null)" != "$want" ]; then
    echo "FAIL [$given]: Wine got [$(cat "$work/wine" 2>/dev/null)], want [$want]"
    failures=$((failures + 1))
  fi
  if ! grep -qx -- "--build --preset windows -j[0-9]* --target Kadenzo rfk32 Lfon Lyrafon kadenzo_help kadenzo_assets" \
       "$work/cmake"; then
    echo "FAIL [$given]: the build was [$(grep -- --build "$work/cmake")]"
    failures=$((failures + 1))
  fi
done <<'CASES'
sub/song 1.mid;@/sub/song 1.mid
./sub/song 1.mid;@/./sub/song 1.mid
/no/such/song.mid;/no/such/song.mid
missing.mid;missing.mid
;
CASES
[ "$failures" -eq 0 ] && echo "run.sh passes songs by their full path and builds only the program: 5 cases passed"
exit "$failures"
