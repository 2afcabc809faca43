#!/bin/sh
# Fails when a C++ file of the project is not formatted as .clang-format says.
set -eu
cd "$(dirname "$0")/.."
# The line limit's home is .editorconfig; .clang-format must say the same.
limit=$(awk -F '=' '/^\[/ { cpp = ($0 ~ /cpp/) } cpp && $1 ~ /max_line_length/ { gsub(/ /, "", $2); print $2 }' \
  .editorconfig)
column=$(awk -F ':' '$1 == "ColumnLimit" { gsub(/ /, "", $2); print $2 }' .clang-format)
if [ "$limit" != "$column" ]; then
  echo ".clang-format ColumnLimit ($column) differs from .editorconfig max_line_length ($limit)" >&2
  exit 1
fi
files=$(find src tests bench fuzz companion \( -name '*.h' -o -name '*.cpp' \) | sort)
clang-format --dry-run --Werror $files
echo "$(echo "$files" | wc -l) files formatted"
