#!/usr/bin/env bash
# Fails when a file of the portable core (or a header beside it) includes a Windows header.
set -u
status=0
for src in "$@"; do
  for f in "$src" "${src%.*}.h"; do
    [ -f "$f" ] || continue
    if grep -nE '#\s*include\s*[<"](windows|winbase|winuser|windef|mmsystem|commctrl|shellapi|commdlg)\.h[>"]' "$f"; then
      echo "core file includes a Windows header: $f"
      status=1
    fi
  done
done
exit $status
