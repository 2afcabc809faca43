#!/bin/sh
# Fails when a C++ file of the project is not formatted as .clang-format says.
set -eu
cd "$(dirname "$0")/.."
files=$(find src tests bench fuzz companion \( -name '*.h' -o -name '*.cpp' \) | sort)
clang-format --dry-run --Werror $files
echo "$(echo "$files" | wc -l) files formatted"
