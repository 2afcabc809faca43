#!/bin/sh
# Fails when a source file includes a header from a higher layer (docs/architecture.md).
# A directory may include its own headers and those of any lower layer, never a higher or
# an equal one: that keeps the layers a true order with no cycles.
set -eu
cd "$(dirname "$0")/.."
rank() {
  case $1 in
    common|platform|companion) echo 0 ;;
    gost28147|lnum) echo 1 ;;
    gost3411) echo 2 ;;
    random) echo 3 ;;
    contexts) echo 4 ;;
    gost3410|container) echo 5 ;;
    jni) echo 6 ;;
    *) echo "unknown directory $1" >&2; echo 99 ;;
  esac
}
status=0
for f in $(find src -name '*.h' -o -name '*.cpp' | sort); do
  dir=$(echo "$f" | cut -d/ -f2)
  own=$(rank "$dir")
  for inc in $(sed -n 's/^#include "\([a-z0-9_]*\)\/.*"/\1/p' "$f" | sort -u); do
    [ "$inc" = "$dir" ] && continue
    theirs=$(rank "$inc")
    if [ "$theirs" -ge "$own" ]; then
      echo "$f (layer $own, $dir) includes $inc/ (layer $theirs)"
      status=1
    fi
  done
done
[ $status -eq 0 ] && echo "layers hold: every include goes down"
exit $status
