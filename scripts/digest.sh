#!/bin/sh
# The main job: builds what is missing and prints the GOST R 34.11-94 digest (CryptoPro
# parameter set) of each file given, through the native library from Java.
set -eu
root=$(cd "$(dirname "$0")/.." && pwd)
if [ ! -f "$root/build/linux/bin/libtellarvantix.so" ]; then
  sh "$root/scripts/setup.sh"
  sh "$root/scripts/build.sh" >/dev/null
fi
[ $# -gt 0 ] || set -- "$root/README.md"
java -Xcheck:jni -Dvantix.library.path="$root/build/linux/bin" -cp "$root/build/linux/vantix.jar" \
  com.norvane.security.gost.examples.Digest "$@"
