#!/bin/sh
# Builds (if needed) and runs the native benchmarks of the modes, hash, arithmetic,
# signatures and containers.
set -eu
root=$(cd "$(dirname "$0")/.." && pwd)
[ -x "$root/build/linux/bin/vantix_bench" ] || sh "$root/scripts/build.sh" >/dev/null
exec "$root/build/linux/bin/vantix_bench" "$@"
