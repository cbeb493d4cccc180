#!/usr/bin/env bash
# Makes the release zip, dist/veltrane-<version>-win64.zip, from this
# checkout's sources:
#   veltrane.exe, veltrane-console.exe the launcher (ANSI code page), its
#   veltrane-check.exe                 console twin for command-line apps and
#                                      the config checker, stripped
#   example.config                     every setting, explained
#   README.txt                         the user's part of README.md
#   brand/                             the branding command (Node.js)
#   LICENSE, THIRD-PARTY-NOTICES.txt
#   SHA256SUMS                         for sha256sum -c
# The build is reproducible: the same commit gives the same bytes in any
# folder at any time (the time stamps come from the last commit).
#
# Usage: scripts/release.sh [BUILD_DIR [DIST_DIR]]   (default build/release, dist)
set -euo pipefail
cd "$(dirname "$0")/.."

build=$(realpath -m "${1:-build/release}")
dist=$(realpath -m "${2:-dist}")

scripts/install-deps.sh >&2
if [[ -z ${SOURCE_DATE_EPOCH:-} ]]; then
  SOURCE_DATE_EPOCH=$(git log -1 --format=%ct)
fi
export SOURCE_DATE_EPOCH
version=$(sed -n 's/^project(veltrane VERSION \([0-9]*\.[0-9]*\.[0-9]*\).*/\1/p' CMakeLists.txt)

cmake -S . -B "$build" -G Ninja --no-warn-unused-cli --toolchain cmake/mingw-w64-x86_64.cmake \
  -DCMAKE_BUILD_TYPE=MinSizeRel -DVELTRANE_UTF8_CODE_PAGE=OFF >/dev/null
programs=(veltrane veltrane-console veltrane-check)
cmake --build "$build" --target "${programs[@]}" >&2

stage=$build/zip
rm -rf "$stage"
mkdir -p "$stage/brand/bin" "$stage/brand/lib"
for program in "${programs[@]}"; do
  x86_64-w64-mingw32-strip --strip-all -o "$stage/$program.exe" "$build/$program.exe"
done
cp docs/example.config "$stage/example.config"
cp LICENSE THIRD-PARTY-NOTICES.txt "$stage/"
cp tools/package.json tools/package-lock.json "$stage/brand/"
cp tools/bin/veltrane-brand.js "$stage/brand/bin/"
cp tools/lib/*.js "$stage/brand/lib/"
# The user's part of the README: what lies between the two markers, without
# the screenshot, which is not in the zip (the markers may enclose several parts).
{
  printf 'Veltrane %s: a launcher for Java applications on 64-bit Windows\n\n' "$version"
  sed -n '/^<!-- user-guide:begin -->$/,/^<!-- user-guide:end -->$/{/^<!-- user-guide:/d;/^!\[/d;p}' \
    README.md
} >"$stage/README.txt"
(cd "$stage" && find . -type f ! -name SHA256SUMS | sed 's|^\./||' | LC_ALL=C sort |
  xargs -d '\n' sha256sum >SHA256SUMS)

# Fixed order, times and permissions: the zip is a function of its files.
mkdir -p "$dist"
zip=$dist/veltrane-$version-win64.zip
python3 - "$stage" "$zip" <<'PYTHON'
import os, sys, time, zipfile
stage, target = sys.argv[1:3]
stamp = time.gmtime(max(int(os.environ["SOURCE_DATE_EPOCH"]), 315532800))[:6]  # zip starts at 1980
names = sorted(os.path.relpath(os.path.join(folder, name), stage)
               for folder, _, files in os.walk(stage) for name in files)
with zipfile.ZipFile(target + ".tmp", "w") as archive:
    for name in names:
        entry = zipfile.ZipInfo(name, stamp)
        entry.create_system, entry.external_attr = 3, 0o100644 << 16
        with open(os.path.join(stage, name), "rb") as data:
            archive.writestr(entry, data.read(), zipfile.ZIP_DEFLATED, 9)
os.replace(target + ".tmp", target)
PYTHON
echo "$zip"
