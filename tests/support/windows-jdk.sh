#!/usr/bin/env bash
# A small stand-in for a vendor's Windows x64 JDK zip, made from this
# machine's JDK for the tests and the benchmark: java.base and the modules
# java.desktop needs (plus java.logging), re-created as windows-amd64 jmods,
# with the e2e probe as bin\java.exe and bin\javaw.exe, a release file as a
# Windows JDK writes it, all in one top folder of a zip. jlink of the same
# version links a "Windows" runtime from it. Made once per JDK version and
# probe, and kept under build/windows-jdk/; prints the zip's path.
#
# Usage: tests/support/windows-jdk.sh PROBE_EXE
set -euo pipefail
(($# == 1)) || { echo "usage: tests/support/windows-jdk.sh PROBE_EXE" >&2; exit 64; }
probe=$(realpath "$1")
cd "$(dirname "$0")/../.."
modules=(java.xml java.prefs java.datatransfer java.desktop java.logging)

jdk=$(dirname "$(dirname "$(realpath "$(command -v jlink)")")")
version=$(sed -n 's/^JAVA_VERSION="\(.*\)"$/\1/p' "$jdk/release")
key=$(cat "$probe" <(echo "$version ${modules[*]}") "$0" | sha256sum | cut -c1-12)
out=$PWD/build/windows-jdk/$key
zip=$out/OpenJDK-jdk_x64_windows_$version.zip
if [[ -f $zip ]]; then
  echo "$zip"
  exit 0
fi

work=$(mktemp -d "$PWD/build/windows-jdk.XXXXXX")
trap 'rm -rf "$work"' EXIT
top=$work/jdk-$version
mkdir -p "$top/bin" "$top/jmods" "$work/cmds"
cp "$probe" "$work/cmds/java.exe"
cp "$probe" "$work/cmds/javaw.exe"
cp "$probe" "$top/bin/java.exe"
cp "$probe" "$top/bin/javaw.exe"

# Windows jmods of the class files, configuration and legal notices only:
# the native libraries of this machine would be no use on Windows.
recreate() { # MODULE [jmod create options]
  local module=$1 parts=$work/parts/$1
  shift
  jmod extract --dir "$parts" "$jdk/jmods/$module.jmod"
  local options=(--class-path "$parts/classes")
  [[ -d $parts/conf ]] && options+=(--config "$parts/conf")
  [[ -d $parts/legal ]] && options+=(--legal-notices "$parts/legal")
  jmod create "${options[@]}" --target-platform windows-amd64 --module-version "$version" "$@" \
    "$top/jmods/$module.jmod"
}
for module in "${modules[@]}"; do recreate "$module"; done
# java.base records the hashes of the modules that depend on it.
recreate java.base --cmds "$work/cmds" --module-path "$top/jmods" --hash-modules '.*'
cat >"$top/release" <<EOF
IMPLEMENTOR="Veltrane tests"
JAVA_VERSION="$version"
OS_NAME="Windows"
OS_ARCH="amd64"
MODULES="java.base ${modules[*]}"
EOF
mkdir -p "$out"
(cd "$work" && zip -q -X -r "$zip.part" "jdk-$version")
mv "$zip.part" "$zip"
echo "$zip"
