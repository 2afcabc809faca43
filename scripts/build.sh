#!/bin/sh
# Builds the Windows DLLs and test program (mingw-w64) and the Linux module, jar and tests.
set -eu
cd "$(dirname "$0")/.."
export JAVA_HOME=${JAVA_HOME:-/usr/lib/jvm/java-17-openjdk-amd64}
export PATH="$JAVA_HOME/bin:$PATH"
jobs=$(nproc)
cmake -S . -B build/windows -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-x86_64.cmake -DVANTIX_BENCH=OFF >/dev/null
cmake --build build/windows -j "$jobs"
cmake -S . -B build/linux -DVANTIX_WINDOWS_BUILD_DIR="$PWD/build/windows" -DCMAKE_EXPORT_COMPILE_COMMANDS=ON >/dev/null
cmake --build build/linux -j "$jobs"
