#!/usr/bin/env bash
# Prints a folder that holds Debian 12's own osslsigncode 2.5, for running the
# signing tests with it as well as with the one installed (the backport 2.9
# signs in ways 2.5 does not). Prints nothing when the installed one is 2.5.
# Fetched once into build/osslsigncode-2.5 (needs apt's package lists), never
# installed: the installed osslsigncode stays as it is.
set -euo pipefail
cd "$(dirname "$0")/.."

if osslsigncode --version 2>/dev/null | head -1 | grep -q '^osslsigncode 2\.5\b'; then
  exit 0
fi
folder=build/osslsigncode-2.5
if [[ ! -x $folder/root/usr/bin/osslsigncode ]]; then
  rm -rf "$folder"
  mkdir -p "$folder"
  (cd "$folder" && apt-get download -q osslsigncode/bookworm >&2)
  dpkg-deb -x "$folder"/osslsigncode_2.5-*.deb "$folder/root"
fi
echo "$PWD/$folder/root/usr/bin"
