#!/usr/bin/env bash
# The release as a packager meets it: two release builds of the last commit,
# each in a fresh clone in its own folder, give the same bytes (zip, npm
# package and programs; the hashes are printed); the zip's files pass
# sha256sum -c; every file its manual (README.txt, docs/*.md) names is in it;
# the Linux checker needs no C++ runtime and no glibc newer than 2.35; the
# tools' package installs into an empty prefix with no network and runs; the
# manual's literal steps (follow_readme.py's list), followed, work; the zip's
# veltrane.exe runs the typical start under Wine, and its
# veltrane-console.exe hands a VM's output through a pipe and its exit status
# on; and the workflow in docs/ packages a sample app with the zip: check,
# brand, sign with a throw-away certificate, verify.
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
tarballs=("$scratch"/{one,two}/dist/veltrane-tools-*.tgz)
sha256sum "${zips[@]}" "${tarballs[@]}" "$scratch"/{one,two}/build/zip/veltrane-check | sed "s|$scratch/||"
cmp "${tarballs[@]}"
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
/usr/bin/python3 tests/release/readme_paths.py "${zips[0]}"

# The Linux checker runs on other x64 Linux machines: only the C library's
# parts are loaded (no C++ runtime), and nothing of them newer than glibc 2.35
# (Ubuntu 22.04, Debian 12).
checker=$scratch/unzipped/veltrane-check
needed=$(objdump -p "$checker" | awk '/NEEDED/ {print $2}' | sort | tr '\n' ' ')
newest=$(objdump -T "$checker" | grep -o 'GLIBC_[0-9.]*' | sort -uV | tail -1)
if [[ -n $(tr ' ' '\n' <<<"$needed" | grep -Ev '^(libc\.so\.6|libm\.so\.6|ld-linux-x86-64\.so\.2|)$') ]] ||
  [[ $(printf '%s\n' "$newest" GLIBC_2.35 | sort -V | tail -1) != GLIBC_2.35 ]]; then
  echo "FAIL the Linux checker loads $needed and needs $newest"
  exit 1
fi
echo "ok   the Linux checker loads only $needed and needs at most $newest"

# The tools' package: into an empty prefix, offline with an empty cache.
(cd "$scratch/unzipped" && npm_config_offline=true npm_config_cache="$scratch/npm-cache" \
  npm install -g --prefix "$scratch/tools-prefix" --no-audit --no-fund --loglevel=error \
  ./veltrane-tools-*.tgz >/dev/null)
help=$("$scratch/tools-prefix/bin/veltrane-brand" --help)
echo "${help%%$'\n'*}"
# The three commands on the PATH answer with the release's version.
version=$(basename "${zips[0]}" -win64.zip)
version=${version#veltrane-}
for command in veltrane-pack veltrane-brand veltrane-check; do
  said=$(PATH="$scratch/tools-prefix/bin:$PATH" "$command" --version)
  if [[ $said != "$command $version" ]]; then
    echo "FAIL $command --version says \"$said\", not \"$command $version\""
    exit 1
  fi
done
echo "ok   npm install -g --prefix of the tools' package, offline; veltrane-brand --help runs;" \
  "veltrane-pack, veltrane-brand and veltrane-check --version say $version"

/usr/bin/python3 tests/release/follow_readme.py "${zips[0]}" "$helpers/probe.exe"

/usr/bin/python3 tests/e2e/run_e2e.py --launcher "$scratch/unzipped/veltrane.exe" \
  --checker "$scratch/unzipped/veltrane-check.exe" --helpers "$helpers" --work "$scratch/e2e" \
  --console-launcher "$scratch/unzipped/veltrane-console.exe" --only typical_start_beside_renamed_launcher
/usr/bin/python3 tests/e2e/run_e2e.py --launcher "$scratch/unzipped/veltrane.exe" \
  --checker "$scratch/unzipped/veltrane-check.exe" --helpers "$helpers" --work "$scratch/e2e" \
  --console-launcher "$scratch/unzipped/veltrane-console.exe" --only console_launcher_pipes
/usr/bin/python3 tests/release/run_workflow.py "${zips[0]}" "$helpers/probe.exe"
