#!/usr/bin/env bash
# The launcher's whole job, shown under Wine: installs what is missing, builds
# veltrane.exe, lays out a small application (tool.exe renamed from
# veltrane.exe, tool.config beside it, two jars), with a probe program as its
# javaw.exe, starts tool.exe, and prints what the probe received and the
# launcher's exit code.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/install-deps.sh
cmake --preset windows >/dev/null
cmake --build --preset windows

demo=$PWD/build/windows/demo
rm -rf "$demo/app"
mkdir -p "$demo/app/apps/lib" "$demo/app/apps/classes" "$demo/app/apps/native" "$demo/app/java/bin"
cp build/windows/veltrane.exe "$demo/app/apps/tool.exe"
cp build/windows/tests/e2e/probe.exe "$demo/app/java/bin/javaw.exe"
touch "$demo/app/apps/lib/a.jar" "$demo/app/apps/lib/b.jar"

# Wine shows the Linux root as drive Z:.
windows_path() { printf 'Z:%s' "${1//\//\\}"; }
apps=$(windows_path "$demo/app/apps")
cat >"$demo/app/apps/tool.config" <<CONFIG
# A sample configuration: every key once.
jvm $(windows_path "$demo/app/java/bin/javaw.exe")
vmparam -Xmx512m
addsyspath $apps\\native
addpath $apps\\classes
addjars $apps\\lib
mainclass com.example.Main
param --verbose
CONFIG

export WINEPREFIX=$demo/prefix WINEDEBUG=-all LC_ALL=C.UTF-8 WINEDLLOVERRIDES="mscoree,mshtml="
wine=/usr/lib/wine/wine64
mkdir -p "$WINEPREFIX"
/usr/lib/wine/wineserver -p
trap '/usr/lib/wine/wineserver -k || true' EXIT

echo "== tool.config"
cat "$demo/app/apps/tool.config"
echo "== starting $apps\\tool.exe (the first start in a new Wine prefix takes a few seconds)"
# Wine's background services keep inherited pipes open: its output goes to a file.
status=0
(cd "$demo/app/apps" && "$wine" tool.exe >"$demo/wine.log" 2>&1) || status=$?

record=$demo/app/java/bin/javaw.record
if [[ -f $record ]]; then
  mapfile -d '' fields <"$record"
  echo "== what the probe standing in for javaw.exe received"
  echo "command line:      ${fields[0]}"
  echo "PATH:              ${fields[1]}"
  echo "current directory: ${fields[2]}"
else
  echo "== the probe was not started"
fi
echo "== launcher exit code: $status"
