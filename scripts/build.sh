#!/bin/sh
# Builds the Windows DLLs and test program (mingw-w64) and the Linux module, jar and tests,
# through the CMake presets mingw-release and linux-release (CMakePresets.json). The Linux
# tree is pointed at the Windows one, whose DLLs it packs and whose program it runs.
set -eu
cd "$(dirname "$0")/.."
export JAVA_HOME=${JAVA_HOME:-/usr/lib/jvm/java-17-openjdk-amd64}
export PATH="$JAVA_HOME/bin:$PATH"
jobs=$(nproc)
cmake --preset mingw-release >/dev/null
cmake --build --preset mingw-release -j "$jobs"
cmake --preset linux-release -DVANTIX_WINDOWS_BUILD_DIR="$PWD/build/windows" >/dev/null
cmake --build --preset linux-release -j "$jobs"
