#!/usr/bin/env bash
# Fails when a lower layer uses a higher one: a target that links a target of a later folder in
# the layer list, or a source that includes a header of a later folder.
# Usage: check-layers.sh <source root> <links file> <folder>...   (folders lowest first)
# Each line of the links file: <target> <folder> <linked target> <its folder> (written by CMake).
set -u
root=$1
links=$2
shift 2
declare -A rank
position=0
for folder in "$@"; do
  rank[$folder]=$position
  position=$((position + 1))
done

status=0
while read -r target folder dependency dependencyFolder; do
  [ -n "${rank[$folder]+set}" ] && [ -n "${rank[$dependencyFolder]+set}" ] || continue
  if [ "${rank[$dependencyFolder]}" -gt "${rank[$folder]}" ]; then
    echo "$target ($folder) links $dependency ($dependencyFolder), a higher layer"
    status=1
  fi
done < "$links"

for folder in "$@"; do
  [ -d "$root/$folder" ] || { echo "layer folder missing: $folder"; status=1; continue; }
  while IFS=: read -r file line included; do
    used=${included%%/*}
    [ -n "${rank[$used]+set}" ] || continue
    if [ "${rank[$used]}" -gt "${rank[$folder]}" ]; then
      echo "${file#"$root"/}:$line includes $included ($used), a higher layer than $folder"
      status=1
    fi
  done < <(grep -rnoE --include='*.cpp' --include='*.h' '^\s*#\s*include\s*"[^"]+/[^"]+"' "$root/$folder" |
           sed -E 's/:[^:]*"([^"]+)"$/:\1/')
done
exit $status
