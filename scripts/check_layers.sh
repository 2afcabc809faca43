#!/bin/sh
# Fails when a source file includes a header from a higher layer (docs/architecture.md).
# A directory may include its own headers and those of any lower layer, never a higher or
# an equal one: that keeps the layers a true order with no cycles.
set -eu
cd "$(dirname "$0")/.."
# Sets r to the layer of a directory (a function, not a subshell: the check runs in the
# quick loop, where thousands of forks cost seconds).
rank() {
  case $1 in
    common|platform|companion) r=0 ;;
    gost28147|lnum) r=1 ;;
    gost3411) r=2 ;;
    random) r=3 ;;
    contexts) r=4 ;;
    gost3410|container) r=5 ;;
    jni) r=6 ;;
    *) echo "unknown directory $1" >&2; r=99 ;;
  esac
}
status=0
for f in $(find src -name '*.h' -o -name '*.cpp' | sort); do
  dir=${f#src/}
  dir=${dir%%/*}
  rank "$dir"
  own=$r
  for inc in $(sed -n 's/^#include "\([a-z0-9_]*\)\/.*"/\1/p' "$f" | sort -u); do
    [ "$inc" = "$dir" ] && continue
    rank "$inc"
    theirs=$r
    if [ "$theirs" -ge "$own" ]; then
      echo "$f (layer $own, $dir) includes $inc/ (layer $theirs)"
      status=1
    fi
  done
done
[ $status -eq 0 ] && echo "layers hold: every include goes down"
exit $status
