#!/bin/sh
# The shared object exports exactly the JNI names of the Java classes with native methods
# (their generated headers), needs the companion library and finds it beside itself ($ORIGIN).
# Usage: check_linux_module.sh MODULE HEADER...
set -eu
module=$1
shift
expected=$(cat "$@" | grep -o 'Java_com_norvane_security_gost_[A-Za-z0-9]*_[A-Za-z0-9_]*' | sort -u)
exported=$(nm -D --defined-only "$module" | awk '$2 == "T" || $2 == "D" || $2 == "B" { print $3 }' | sort -u)
extra=$(printf '%s\n' "$exported" | grep -v -x -F "$expected" || true)
missing=$(printf '%s\n' "$expected" | grep -v -x -F "$exported" || true)
status=0
[ -z "$extra" ] || { echo "exported but not a JNI name of the classes:"; echo "$extra"; status=1; }
[ -z "$missing" ] || { echo "JNI names not exported:"; echo "$missing"; status=1; }
readelf -d "$module" | grep -q 'NEEDED.*libQel_InitBioRnd64.so' || { echo "no DT_NEEDED on the companion"; status=1; }
readelf -d "$module" | grep -Eq '(RUNPATH|RPATH).*\$ORIGIN' || { echo "no \$ORIGIN run path"; status=1; }
readelf -d "$module" | grep -q 'NEEDED.*libX11' && { echo "links against libX11 (it must be loaded at run time)"; status=1; }
echo "$(printf '%s\n' "$exported" | wc -l) exports checked"
exit $status
