#!/usr/bin/env bash
# Builds the sample app into OUT with javac and jar: hello.jar (its manifest
# names the main class, lib/greeting.jar as its Class-Path and an Add-Opens;
# it holds a second main class too, com.example.hello.Cli, the command-line
# twin), lib/greeting.jar, plugins/words.jar (a resource the app reads), and
# pack.json beside them. The runtime folder pack.json names is the caller's.
#
# Usage: tests/sample-app/build.sh OUT
set -euo pipefail
(($# == 1)) || { echo "usage: tests/sample-app/build.sh OUT" >&2; exit 64; }
here="$(cd "$(dirname "$0")" && pwd)"
out=$1
classes=$(mktemp -d)
trap 'rm -rf "$classes"' EXIT
mkdir -p "$out/lib" "$out/plugins" "$classes/greeting" "$classes/hello"

javac --release 11 -d "$classes/greeting" "$here/src/greeting/com/example/greeting/Greeter.java"
javac --release 11 -cp "$classes/greeting" -d "$classes/hello" "$here/src/hello/com/example/hello/"*.java
printf 'Class-Path: lib/greeting.jar\nAdd-Opens: java.base/java.lang\n' >"$classes/manifest.txt"
# A fixed time for every entry, so that the same sources give the same jars.
jar --create --file "$out/lib/greeting.jar" --date 2026-01-01T00:00:00Z -C "$classes/greeting" .
jar --create --file "$out/hello.jar" --date 2026-01-01T00:00:00Z --main-class com.example.hello.Main \
  --manifest "$classes/manifest.txt" -C "$classes/hello" .
jar --create --file "$out/plugins/words.jar" --date 2026-01-01T00:00:00Z -C "$here/src/words" .
cp "$here/pack.json" "$out/pack.json"
