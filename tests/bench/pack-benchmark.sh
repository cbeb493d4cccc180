#!/usr/bin/env bash
# Times veltrane-pack on the sample app with a runtime folder of about 50 MB
# (a 35 MB "modules" file of 20 MB random bytes and 15 MB of words, and 300
# files of 50 KB of words): the app folder, the zip and the MSI (wixl)
# separately, as veltrane-pack reports them, and the whole command, over N
# runs (default 3). A benchmark: it prints figures and
# never fails on a time. Then a runtime linked from a Windows JDK (the
# synthetic one of tests/support/windows-jdk.sh, java.base and java.desktop):
# the first pack with an empty cache, the second from the cache, and the same
# pack with that runtime as a ready folder (no linking), once each.
# Run by scripts/benchmark.sh; runs alone as well.
#
# Usage: tests/bench/pack-benchmark.sh [RUNS]
# Needs build/windows/veltrane.exe and build/host/veltrane-check, javac, jlink and wixl.
set -euo pipefail
cd "$(dirname "$0")/../.."
runs=${1:-3}
[[ "$runs" =~ ^[1-9][0-9]*$ ]] || { echo "usage: tests/bench/pack-benchmark.sh [RUNS]" >&2; exit 64; }

work=$PWD/build/bench/pack
rm -rf "$work"
trap 'rm -rf "$work"' EXIT
npm ci --prefix tools --no-audit --no-fund --loglevel=error >/dev/null
tests/sample-app/build.sh "$work/sample"
runtime=$work/sample/runtime
mkdir -p "$runtime/bin"
cp build/windows/tests/e2e/probe.exe "$runtime/bin/javaw.exe"
echo 'JAVA_VERSION="17.0.2"' >"$runtime/release"
python3 - "$runtime" <<'PYTHON'
import os, random, sys
root = sys.argv[1]
rng = random.Random(17)
words = ["".join(rng.choice("abcdefghijklmnopqrstuvwxyz") for _ in range(rng.randint(3, 12)))
         for _ in range(3000)]
def text(size):
    return " ".join(rng.choice(words) for _ in range(size // 7)).encode()[:size]
os.makedirs(os.path.join(root, "lib"))
os.makedirs(os.path.join(root, "legal"))
with open(os.path.join(root, "lib", "modules"), "wb") as out:
    out.write(os.urandom(20 << 20))
    out.write(text(15 << 20))
for i in range(300):
    with open(os.path.join(root, "legal", "file-%d.txt" % i), "wb") as out:
        out.write(text(50 << 10))
PYTHON

echo
echo "== veltrane-pack: the sample app with a $(du -sm "$runtime" | cut -f1) MB runtime folder, $runs runs =="
for ((run = 1; run <= runs; run++)); do
  started=$(date +%s%N)
  node tools/bin/veltrane-pack.js "$work/sample/pack.json" --out "$work/dist" --msi >"$work/summary"
  ended=$(date +%s%N)
  folder=$(grep -o '^  Hello App/ .*made in [0-9.]* s' "$work/summary" | grep -o '[0-9.]* s$')
  zip=$(grep -o '^  HelloApp-.*\.zip .*made in [0-9.]* s' "$work/summary")
  msi=$(grep -o '^  HelloApp-.*\.msi .*made in [0-9.]* s' "$work/summary")
  printf '  run %d: app folder %s, zip %s (%s), MSI %s (%s), whole command %.2f s\n' "$run" "$folder" \
    "$(grep -o '[0-9.]* s$' <<<"$zip")" "$(grep -o '[0-9.]* MB' <<<"$zip")" \
    "$(grep -o '[0-9.]* s$' <<<"$msi")" "$(grep -o '[0-9.]* MB' <<<"$msi")" \
    "$(awk -v ns=$((ended - started)) 'BEGIN {print ns / 1e9}')"
done

jdk=$(tests/support/windows-jdk.sh build/windows/tests/e2e/probe.exe)
linked=$work/linked
tests/sample-app/build.sh "$linked" >/dev/null
echo
echo "== veltrane-pack --msi: the sample app, its runtime linked from a Windows JDK (java.base, java.desktop) =="
with_runtime() { # RUNTIME-JSON
  sed "s|\"runtime\": \"runtime\"|\"runtime\": $1|" tests/sample-app/pack.json >"$linked/pack.json"
}
timed_pack() { # WHAT
  local started ended
  started=$(date +%s%N)
  VELTRANE_CACHE=$work/cache node tools/bin/veltrane-pack.js "$linked/pack.json" --out "$work/dist-linked" --msi \
    >"$work/summary"
  ended=$(date +%s%N)
  printf '  %s: whole command %.2f s%s\n' "$1" "$(awk -v ns=$((ended - started)) 'BEGIN {print ns / 1e9}')" \
    "$(sed -n 's/^ *times: \(.*\)/ (\1)/p' "$work/summary")"
}
with_runtime "{\"jdk\": \"$jdk\", \"modules\": \"auto\", \"addModules\": [\"java.desktop\"]}"
timed_pack "first, empty cache (jdeps, unpack, jlink)"
timed_pack "second, from the cache"
folder=$(sed -n 's/^ *runtime: .*from the cache: //p' "$work/summary")
echo "  runtime: $(du -sm "$folder" | cut -f1) MB"
with_runtime "\"$folder\""
timed_pack "the same runtime as a ready folder (no linking)"
