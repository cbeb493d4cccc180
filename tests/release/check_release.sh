#!/usr/bin/env bash
# The release as a packager meets it: two release builds of the last commit,
# each in a fresh clone in its own folder, give the same bytes (both hashes
# are printed); the zip's files pass sha256sum -c; its veltrane.exe runs the
# typical start under Wine, and its veltrane-console.exe hands a VM's output
# through a pipe and its exit status on; and the workflow in docs/ packages a sample app
# with the zip: check, brand, sign with a throw-away certificate, verify.
# Needs the windows preset built (the e2e helper programs).
#
# Usage: tests/release/check_release.sh
set -euo pipefail
cd "$(dirname "$0")/../.."

helpers=build/windows/tests/e2e
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
if [[ -n $(git status --porcelain --untracked-files=no) ]]; then
  echo "note: the release is built from the last commit; uncommitted changes are not in it"
fi

for side in one two; do
  git clone -q "$PWD" "$scratch/$side"
  if ! "$scratch/$side/scripts/release.sh" "$scratch/$side/build" "$scratch/$side/dist" \
      >"$scratch/$side.log" 2>&1; then
    cat "$scratch/$side.log"
    exit 1
  fi
done
zips=("$scratch"/{one,two}/dist/veltrane-*-win64.zip)
sha256sum "${zips[@]}" | sed "s|$scratch/||"
for program in veltrane veltrane-console veltrane-check; do
  [[ -f $scratch/one/build/$program.exe ]] || continue
  sha256sum "$scratch"/{one,two}/build/$program.exe | sed "s|$scratch/||"
  cmp "$scratch"/{one,two}/build/$program.exe
done
cmp "${zips[@]}"
echo "ok   two builds in two folders give the same bytes"

mkdir "$scratch/unzipped"
unzip -q "${zips[0]}" -d "$scratch/unzipped"
(cd "$scratch/unzipped" && sha256sum --quiet -c SHA256SUMS)
echo "ok   sha256sum -c SHA256SUMS"

/usr/bin/python3 tests/e2e/run_e2e.py --launcher "$scratch/unzipped/veltrane.exe" \
  --checker "$scratch/unzipped/veltrane-check.exe" --helpers "$helpers" --work "$scratch/e2e" \
  --console-launcher "$scratch/unzipped/veltrane-console.exe" --only typical_start_beside_renamed_launcher
/usr/bin/python3 tests/e2e/run_e2e.py --launcher "$scratch/unzipped/veltrane.exe" \
  --checker "$scratch/unzipped/veltrane-check.exe" --helpers "$helpers" --work "$scratch/e2e" \
  --console-launcher "$scratch/unzipped/veltrane-console.exe" --only console_launcher_pipes
/usr/bin/python3 tests/release/run_workflow.py "${zips[0]}" "$helpers/probe.exe"
