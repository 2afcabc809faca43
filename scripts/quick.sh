#!/bin/sh
# The quick local loop: builds what the fast tests need in the Linux tree (build preset
# quick) and runs them (test preset quick: the unit, JNI, hooked and oracle tests and the
# static checks; not the JVM, valgrind, Windows, sanitizer or per-core runs, which CI does).
# Uses ccache when it is installed. Extra arguments go to ctest, e.g. -R Mac.
set -eu
cd "$(dirname "$0")/.."
export JAVA_HOME=${JAVA_HOME:-/usr/lib/jvm/java-17-openjdk-amd64}
export PATH="$JAVA_HOME/bin:$PATH"
if command -v ccache >/dev/null; then
  export CMAKE_C_COMPILER_LAUNCHER=${CMAKE_C_COMPILER_LAUNCHER:-ccache}
  export CMAKE_CXX_COMPILER_LAUNCHER=${CMAKE_CXX_COMPILER_LAUNCHER:-ccache}
fi
[ -f build/linux/CMakeCache.txt ] || cmake --preset linux-release >/dev/null
cmake --build --preset quick -j "$(nproc)"
ctest --preset quick "$@"
