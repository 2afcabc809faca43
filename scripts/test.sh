#!/bin/sh
# The test command: installs what is missing, builds both platforms from scratch and runs
# every test (unit, JNI, oracle, JVM, and the Windows program under wine64) through CTest,
# then the sanitizer build's tests and the fuzzers (scripts/sanitize.sh).
set -eu
cd "$(dirname "$0")/.."
sh scripts/setup.sh
rm -rf build/linux build/windows build/asan
sh scripts/build.sh
export WINEDEBUG=-all
# The first wine64 start creates its prefix; do it once before the timed tests.
/usr/lib/wine/wine64 wineboot -i >/dev/null 2>&1 || true
ctest --preset linux-release
sh scripts/sanitize.sh
