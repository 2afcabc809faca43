#!/bin/sh
# The sanitizer run of the test command: an AddressSanitizer + UndefinedBehaviorSanitizer
# build (clang, CMake preset asan-ubsan) runs the C++ tests (unit, JNI, hostile caller,
# oracles) and the JVM tests with the sanitizer runtime preloaded into the JVM, then each
# libFuzzer harness for a bounded time from its committed corpus. Any finding fails it.
# FUZZ_SECONDS sets the time per harness (30 by default; longer by hand before a release).
set -eu
cd "$(dirname "$0")/.."
export JAVA_HOME=${JAVA_HOME:-/usr/lib/jvm/java-17-openjdk-amd64}
export PATH="$JAVA_HOME/bin:$PATH"
seconds=${FUZZ_SECONDS:-30}
cmake --preset asan-ubsan >/dev/null
cmake --build --preset asan-ubsan -j "$(nproc)"
runtime=$(clang++ -print-file-name=libclang_rt.asan-x86_64.so)
# The valgrind runs (constant time, helgrind) are the release build's: valgrind and ASan do not mix.
ctest --preset asan-ubsan
# The JVM is not instrumented: the runtime is preloaded, and the JVM's own use of SIGSEGV
# (safepoints, implicit null checks) stays the JVM's.
(cd build/asan && env LD_PRELOAD="$runtime" \
  ASAN_OPTIONS=detect_leaks=0:handle_segv=0:handle_sigbus=0:handle_sigfpe=0:allow_user_segv_handler=1:use_sigaltstack=0 \
  ctest --output-on-failure -L java)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
for name in hash modes container signature exports; do
  mkdir -p "$work/$name"
  cp fuzz/corpus/$name/* "$work/$name/"
  echo "fuzzing $name for ${seconds}s"
  # -timeout: an input that runs longer than 10 s is a finding (a hang); the outer timeout
  # bounds the harness even if libFuzzer itself stalls.
  timeout $((seconds + 120)) env LD_PRELOAD="$runtime" build/asan/bin/fuzz_$name -max_total_time="$seconds" \
    -timeout=10 -rss_limit_mb=4096 -print_final_stats=0 "$work/$name" 2>"$work/$name.log" ||
    { tail -50 "$work/$name.log"; exit 1; }
  grep -E '^Done' "$work/$name.log" || true
done
echo "sanitizer and fuzzing runs: no findings"
