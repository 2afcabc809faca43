#!/bin/sh
# The DLL exports exactly the undecorated JNI names of the Java classes with native methods
# (their generated headers), imports the companion DLL, and needs no runtime DLL beyond the
# system ones (static C/C++ runtime). Usage: check_windows_dll.sh OBJDUMP DLL HEADER...
set -eu
objdump=$1
dll=$2
shift 2
dump=$($objdump -p "$dll")
expected=$(cat "$@" | grep -o 'Java_com_norvane_security_gost_[A-Za-z0-9]*_[A-Za-z0-9_]*' | sort -u)
exported=$(printf '%s\n' "$dump" | awk '/\[Ordinal\/Name Pointer\] Table/ { on = 1; next }
  on && /^[ \t]*\[ *[0-9]+\] / { print $NF; next } on { on = 0 }' | sort -u)
extra=$(printf '%s\n' "$exported" | grep -v -x -F "$expected" || true)
missing=$(printf '%s\n' "$expected" | grep -v -x -F "$exported" || true)
status=0
[ -z "$extra" ] || { echo "exported but not a JNI name of the classes:"; echo "$extra"; status=1; }
[ -z "$missing" ] || { echo "JNI names not exported:"; echo "$missing"; status=1; }
imports=$(printf '%s\n' "$dump" | grep 'DLL Name:' | awk '{print $3}')
printf '%s\n' "$imports" | grep -qx 'Qel_InitBioRnd64.dll' || { echo "does not import Qel_InitBioRnd64.dll"; status=1; }
for dll_name in $imports; do
  case "$dll_name" in
    Qel_InitBioRnd64.dll|KERNEL32.dll|msvcrt.dll|USER32.dll|bcrypt.dll|ADVAPI32.dll) ;;
    *) echo "unexpected runtime dependency: $dll_name"; status=1 ;;
  esac
done
echo "$(printf '%s\n' "$exported" | wc -l) exports checked; imports: $(echo $imports)"
exit $status
