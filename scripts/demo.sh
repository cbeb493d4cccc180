#!/usr/bin/env bash
# From a jar to a Windows app, shown under Wine: installs what is missing,
# builds the launcher and the Linux checker, builds a small real Java app
# (tests/sample-app: two classes in two jars, a Class-Path and an Add-Opens
# in the main jar's manifest, a third jar of resources), packs it with
# veltrane-pack into an app folder and a zip, unpacks the zip into a folder
# with a blank in its name, and starts HelloApp.exe from another folder with
# a document, as a file association would. The bundled runtime's javaw.exe is
# a probe that records what it was given, so no Windows JDK is needed; the
# same command line then runs on this machine's Java, and the app's own
# output shows that the class path and the Add-Opens are right.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/install-deps.sh
cmake --preset windows >/dev/null
cmake --build --preset windows
cmake --preset host >/dev/null
cmake --build --preset host --target veltrane-check
npm ci --prefix tools --no-audit --no-fund --loglevel=error

demo=$PWD/build/windows/demo
rm -rf "$demo"
tests/sample-app/build.sh "$demo/sample"
mkdir -p "$demo/sample/runtime/bin" "$demo/docs" "$demo/Program Files"
cp build/windows/tests/e2e/probe.exe "$demo/sample/runtime/bin/javaw.exe"
echo 'JAVA_VERSION="17.0.2"' >"$demo/sample/runtime/release"
echo "demo letter" >"$demo/docs/letter one.txt"

echo "== pack.json (runtime/ holds a probe as bin/javaw.exe and a release file)"
cat "$demo/sample/pack.json"
echo "== veltrane-pack pack.json --out dist"
node tools/bin/veltrane-pack.js "$demo/sample/pack.json" --out "$demo/dist"
echo "== Hello App/HelloApp.config"
cat "$demo/dist/Hello App/HelloApp.config"
unzip -q "$demo/dist/HelloApp-1.2.3-win64.zip" -d "$demo/Program Files"

export WINEPREFIX=$demo/prefix WINEDEBUG=-all LC_ALL=C.UTF-8 WINEDLLOVERRIDES="mscoree,mshtml="
wine=/usr/lib/wine/wine64
mkdir -p "$WINEPREFIX"
/usr/lib/wine/wineserver -p
trap '/usr/lib/wine/wineserver -k || true' EXIT

# Wine shows the Linux root as drive Z:.
windows_path() { printf 'Z:%s' "${1//\//\\}"; }
app=$demo/Program\ Files/Hello\ App
echo "== in $(windows_path "$demo/docs"): starting $(windows_path "$app/HelloApp.exe") \"letter one.txt\""
echo "   (the first start in a new Wine prefix takes a few seconds)"
# Wine's background services keep inherited pipes open: its output goes to a file.
status=0
(cd "$demo/docs" && "$wine" "$app/HelloApp.exe" "$(windows_path "$demo/docs/letter one.txt")" \
  >"$demo/wine.log" 2>&1) || status=$?
echo "== launcher exit code: $status"

record=$app/runtime/bin/javaw.record
if [[ ! -f $record ]]; then
  echo "== the probe was not started: see $demo/wine.log"
  exit 0
fi
mapfile -d '' fields <"$record"
echo "== what the probe standing in for javaw.exe received"
echo "command line:      ${fields[0]}"
echo "current directory: ${fields[2]}"
echo "== the same command line on this machine's Java: the app's own output"
# Windows paths on drive Z: back to Linux ones, the class path's ";" to ":".
python3 - "${fields[0]}" <<'PYTHON'
import shlex, subprocess, sys
lexer = shlex.shlex(sys.argv[1], posix=True)
lexer.whitespace_split, lexer.escape = True, ""
def linux(argument):
    argument = argument.replace("Z:\\", "/").replace("\\", "/")
    return argument.replace(";/", ":/")
arguments = [linux(a) for a in lexer]
sys.exit(subprocess.run(["java", *arguments[1:]]).returncode)
PYTHON
