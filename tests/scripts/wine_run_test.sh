#!/usr/bin/env bash
# The Wine runner starts a program once and hands back its status, however quick its failure:
# a program that rejects its arguments must not run twice. Its arguments reach Wine unchanged.
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
  quick_fail) exit 7 ;;
  slow_fail) sleep 0.3; exit 3 ;;
  pass) exit 0 ;;
esac
FAKE
chmod +x "$work/bin/wine"

failures=0
# case: mode, expected status
while read -r mode status; do
  rm -f "$work/calls"
  PATH="$work/bin:$PATH" FAKE_MODE=$mode FAKE_CALLS="$work/calls" FAKE_ARGS="$work/args" \
    KADENZO_WINE_SESSION=1 "$root/tools/wine-run.sh" prog.exe "two words" >/dev/null 2>&1
  got=$?
  got_starts=$(cat "$work/calls")
  if [ "$got" != "$status" ] || [ "$got_starts" != 1 ]; then
    echo "FAIL $mode: status $got (want $status), starts $got_starts (want 1)"
    failures=$((failures + 1))
  fi
  if [ "$(cat "$work/args")" != $'prog.exe\ntwo words' ]; then
    echo "FAIL $mode: arguments reached Wine as [$(cat "$work/args")]"
    failures=$((failures + 1))
  fi
done <<'CASES'
pass 0
quick_fail 7
slow_fail 3
CASES
[ "$failures" -eq 0 ] && echo "the runner starts each program once: 3 cases passed"
exit "$failures"
