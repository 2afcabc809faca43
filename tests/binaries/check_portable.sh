#!/bin/sh
# The Linux module and companion run on any x86-64 Linux with glibc 2.17 or later: no
# versioned glibc symbol newer than 2.17, no C++ runtime or libgcc_s needed (nothing but
# libc, libm, libdl and the companion), no run path but $ORIGIN, and no build-machine path
# anywhere in the file.
set -eu
build_dir=$1
shift
status=0
for lib in "$@"; do
  name=$(basename "$lib")
  newest=$(objdump -T "$lib" | grep -o 'GLIBC_[0-9][0-9.]*' | sed 's/GLIBC_//' | sort -u -V | tail -1)
  if [ "$(printf '%s\n2.17\n' "$newest" | sort -V | tail -1)" != "2.17" ]; then
    echo "$name needs GLIBC_$newest (at most 2.17 allowed):"
    objdump -T "$lib" | grep -E "GLIBC_$newest" | head
    status=1
  fi
  other=$(readelf -d "$lib" | sed -n 's/.*NEEDED.*\[\(.*\)\]/\1/p' |
          grep -v -x -E 'libc\.so\.6|libm\.so\.6|libdl\.so\.2|libQel_InitBioRnd64\.so' || true)
  [ -z "$other" ] || { echo "$name needs $other"; status=1; }
  objdump -T "$lib" | grep -q -E 'GLIBCXX|CXXABI' && { echo "$name needs the C++ runtime"; status=1; }
  rpath=$(readelf -d "$lib" | sed -n 's/.*\(RUNPATH\|RPATH\).*\[\(.*\)\]/\2/p')
  [ -z "$rpath" ] || [ "$rpath" = '$ORIGIN' ] || { echo "$name has run path $rpath"; status=1; }
  if strings -a "$lib" | grep -q -F "$build_dir"; then
    echo "$name contains the build path $build_dir"
    status=1
  fi
  echo "$name: newest glibc symbol version $newest"
done
exit $status
