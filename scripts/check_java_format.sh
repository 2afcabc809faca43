#!/bin/sh
# Fails when a Java file of the project breaks what .editorconfig says of Java sources: a
# line longer than max_line_length characters, a tab, trailing white space, a carriage
# return, or no newline at the end. The limit is read from .editorconfig, its only home.
set -eu
cd "$(dirname "$0")/.."
limit=$(awk -F '=' '/^\[/ { java = ($0 ~ /java/) } java && $1 ~ /max_line_length/ { gsub(/ /, "", $2); print $2 }' \
  .editorconfig)
[ -n "$limit" ] || { echo ".editorconfig gives Java no max_line_length" >&2; exit 1; }
files=$(find java tests bench companion scripts -name '*.java' | sort)
# Byte-wise (LC_ALL=C), so UTF-8 continuation bytes are dropped before counting characters.
LC_ALL=C awk -v limit="$limit" '
  {
    line = $0; file = FILENAME; lineno = FNR
    if (line ~ /\r/) report("carriage return")
    if (line ~ /\t/) report("tab")
    if (line ~ /[ \t]$/) report("trailing white space")
    chars = line; gsub(/[\200-\277]/, "", chars)
    if (length(chars) > limit) report(length(chars) " characters, more than " limit)
  }
  function report(what) { printf "%s:%d: %s\n", file, lineno, what; bad = 1 }
  END { exit bad }
' $files
for f in $files; do
  if [ -n "$(tail -c 1 "$f")" ]; then
    echo "$f: no newline at the end"
    exit 1
  fi
done
echo "$(echo "$files" | wc -l) Java files within $limit columns"
