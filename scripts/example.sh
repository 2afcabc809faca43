#!/bin/sh
# The main job end to end: sets up and builds what is missing, then, in a scratch
# directory, generates a key pair under a password read from a file, signs a sample
# document, verifies it, and shows that an altered copy fails to verify.
set -eu
root=$(cd "$(dirname "$0")/.." && pwd)
if [ ! -f "$root/build/linux/vantix-all.jar" ]; then
  sh "$root/scripts/setup.sh"
  sh "$root/scripts/build.sh" >/dev/null
fi
export JAVA_HOME=${JAVA_HOME:-/usr/lib/jvm/java-17-openjdk-amd64}
export PATH="$JAVA_HOME/bin:$PATH"
vantix="$root/scripts/vantix"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$work"
printf 'correct horse battery staple\n' > password.txt
cat > contract.txt <<'DOC'
The party of the first part agrees to deliver 12 crates of apples
to the party of the second part on the first Monday of next month.
DOC
show() { echo "\$ vantix $*"; "$vantix" "$@"; }
show hash contract.txt
show keygen --out alice --password-file password.txt --home "$work/home"
cat alice.pub
show sign --key alice.key --password-file password.txt --home "$work/home" contract.txt
show verify --pub alice.pub contract.txt
if openssl engine gost >/dev/null 2>&1; then
  echo "\$ openssl dgst -engine gost -md_gost94 -verify alice.pub -signature contract.txt.sig contract.txt"
  openssl dgst -engine gost -md_gost94 -verify alice.pub -signature contract.txt.sig contract.txt 2>/dev/null
fi
sed 's/12 crates/120 crates/' contract.txt > altered.txt
cp contract.txt.sig altered.txt.sig
if show verify --pub alice.pub altered.txt; then
  echo "unexpected: the altered copy verified" >&2
  exit 1
fi
echo "(the altered copy fails, as it should)"
