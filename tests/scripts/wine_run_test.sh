#!/usr/bin/env bash
# The Wine runner starts a program once more only when Wine fails before the program could have
# run (a failure within 100 ms); a program's own failure, however quick its verdict, stands.
# A stand-in `wine` on PATH plays each case; no Wine is needed.
set -u
root=$(cd "$(dirname "$0")/../.." && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir "$work/bin"
cat > "$work/bin/wine" <<'FAKE'
#!/usr/bin/env bash
calls=$(( $(cat "$FAKE_CALLS" 2>/dev/null || echo 0) + 1 ))
echo "$calls" > "$FAKE_CALLS"
printf '%s\n' "$@" > "$FAKE_ARGS"
case "$FAKE_MODE" in
  quick_fail_once) [ "$calls" -eq 1 ] && exit 7; exit 0 ;;
  quick_fail_always) exit 7 ;;
  slow_fail) sleep 0.3; exit 3 ;;
  pass) exit 0 ;;
esac
FAKE
chmod +x "$work/bin/wine"

failures=0
# case: mode, expected status, expected number of starts, whether the runner speaks on stderr
while read -r mode status starts speaks; do
  rm -f "$work/calls"
  stderr=$(PATH="$work/bin:$PATH" FAKE_MODE=$mode FAKE_CALLS="$work/calls" FAKE_ARGS="$work/args" \
           KADENZO_WINE_SESSION=1 "$root/tools/wine-run.sh" prog.exe "two words" 2>&1 >/dev/null)
  got=$?
  got_starts=$(cat "$work/calls")
  got_speaks=no
  [[ "$stderr" == *"starting it again"* ]] && got_speaks=yes
  if [ "$got" != "$status" ] || [ "$got_starts" != "$starts" ] || [ "$got_speaks" != "$speaks" ]; then
    echo "FAIL $mode: status $got (want $status), starts $got_starts (want $starts), spoke $got_speaks (want $speaks)"
    failures=$((failures + 1))
  fi
  if [ "$(cat "$work/args")" != $'prog.exe\ntwo words' ]; then
    echo "FAIL $mode: arguments reached Wine as [$(cat "$work/args")]"
    failures=$((failures + 1))
  fi
done <<'CASES'
pass 0 1 no
quick_fail_once 0 2 yes
quick_fail_always 7 2 yes
slow_fail 3 1 no
CASES
[ "$failures" -eq 0 ] && echo "the runner retries only a start failure: 4 cases passed"
exit "$failures"
