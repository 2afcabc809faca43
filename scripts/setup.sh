#!/bin/sh
# Installs the Debian packages the build and the tests need (run as root on a fresh
# machine; does nothing for packages already present).
set -eu
packages="cmake g++ make googletest libgtest-dev libbenchmark-dev openjdk-17-jdk junit5 \
  g++-mingw-w64-x86-64-posix wine64 libgmp-dev libgcrypt20-dev libssl-dev openssl libengine-gost-openssl binutils libx11-dev xvfb valgrind clang libclang-rt-14-dev \
  libbcprov-java libbcpkix-java libpicocli-java clang-format"
missing=""
for p in $packages; do
  dpkg -s "$p" >/dev/null 2>&1 || missing="$missing $p"
done
if [ -n "$missing" ]; then
  export DEBIAN_FRONTEND=noninteractive
  apt-get update -qq
  apt-get install -y -qq $missing >/dev/null
fi
# Java 17 is the reference JVM: use its javac/java even when newer JDKs are installed.
