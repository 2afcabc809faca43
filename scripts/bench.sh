#!/bin/sh
# Builds (if needed) and runs the native benchmarks (modes, hash, arithmetic, signatures,
# containers), the Java-side timing of the exports, and the provider with 1 to 8 threads
# against the exports (both cores, processors 0 and 1), and what the provider's check for a
# second thread inside an object costs per call (processor 1).
set -eu
root=$(cd "$(dirname "$0")/.." && pwd)
[ -x "$root/build/linux/bin/vantix_bench" ] || sh "$root/scripts/build.sh" >/dev/null
"$root/build/linux/bin/vantix_bench" "$@"
java -Dvantix.library.path="$root/build/linux/bin" \
  -cp "$root/build/linux/vantix.jar:$root/build/linux/bench/vantix-bench.jar:/usr/share/java/bcprov.jar" VantixBench
taskset -c 0,1 java -Dvantix.library.path="$root/build/linux/bin" \
  -cp "$root/build/linux/vantix.jar:$root/build/linux/bench/vantix-bench.jar:/usr/share/java/bcprov.jar" VantixThreadsBench
taskset -c 1 java -Dvantix.library.path="$root/build/linux/bin" \
  -cp "$root/build/linux/vantix.jar:$root/build/linux/bench/vantix-bench.jar:/usr/share/java/bcprov.jar" \
  com.norvane.security.gost.jca.InUseBench
