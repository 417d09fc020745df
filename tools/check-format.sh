#!/usr/bin/env bash
# Fails when a C++ source differs from the style in .clang-format; `tools/check-format.sh --fix`
# rewrites them instead.
set -eu
cd "$(dirname "$0")/.."
mapfile -t sources < <(git ls-files '*.cpp' '*.h' '*.c' ':!:tests/data/**')
if [ "${1:-}" = "--fix" ]; then
  clang-format -i "${sources[@]}"
else
  clang-format --dry-run --Werror "${sources[@]}"
  echo "format: ${#sources[@]} sources follow .clang-format"
fi
