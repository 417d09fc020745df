#!/usr/bin/env bash
# tools/check-layers.sh on a stand-in tree of three layers (low, mid, high): each case's links and
# includes, whether the check must fail, and the text it must name.
set -u
root=$(cd "$(dirname "$0")/../.." && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

failures=0
# case: name | links file lines | a file and the header it includes | expected status | expected text
while IFS='|' read -r name links include expected named; do
  rm -rf "$work/tree" && mkdir -p "$work/tree/low" "$work/tree/mid" "$work/tree/high"
  printf '%b' "$links" > "$work/links.txt"
  file=${include%% *}
  header=${include#* }
  [ -n "$file" ] && printf '#include "%s"\n' "$header" > "$work/tree/$file"
  output=$("$root/tools/check-layers.sh" "$work/tree" "$work/links.txt" low mid high)
  got=$?
  if [ "$got" -ne "$expected" ] || [[ "$output" != *"$named"* ]]; then
    echo "case $name: status $got (expected $expected), output: $output"
    failures=$((failures + 1))
  fi
done <<'CASES'
downward link and include pass|high_lib high mid_lib mid\nmid_lib mid low_lib low\n|high/a.cpp mid/b.h|0|
same-folder link passes|mid_window mid mid_core mid\n|mid/a.cpp mid/b.h|0|
outside folders are not layers|low_lib low gtest tests\n|low/a.cpp res/resource.h|0|
upward link fails|low_lib low high_lib high\n||1|low_lib (low) links high_lib (high), a higher layer
upward include fails||mid/a.h high/window.h|1|mid/a.h:1 includes high/window.h (high), a higher layer than mid
CASES

[ -d "$work/tree" ] && rmdir "$work/tree/high" 2>/dev/null
output=$("$root/tools/check-layers.sh" "$work/tree" /dev/null low mid high)
if [ $? -ne 1 ] || [[ "$output" != *"layer folder missing: high"* ]]; then
  echo "case missing folder: output: $output"
  failures=$((failures + 1))
fi
exit $((failures > 0))
