#!/usr/bin/env bash
# Makes the release, dist/veltrane-<version>-win64.zip, and the tools' npm
# package beside it, dist/veltrane-tools-<version>.tgz, from this checkout's
# sources. The zip holds:
#   veltrane.exe, veltrane-console.exe the launcher (ANSI code page), its
#   veltrane-check.exe                 console twin for command-line apps and
#                                      the config checker, stripped
#   veltrane-check                     the checker for Linux x64 (glibc 2.35 or
#                                      later; its C++ runtime linked in), stripped
#   veltrane-tools-<version>.tgz       veltrane-pack and veltrane-brand, one
#                                      npm package with its libraries and the
#                                      launchers and Linux checker
#                                      (npm install -g ./...tgz)
#   example.config                     every setting, explained
#   windows-package.yml                the packaging workflow to copy
#   README.txt                         the user's part of README.md, the front page
#   docs/*.md, docs/failure-report.png the manual's pages a user needs (all of
#                                      docs/ but developing.md)
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

# The Linux checker: no build folder in the program, and the C++ runtime
# linked in, so that it runs on any x64 Linux with glibc 2.35 or later (what
# --gc-sections drops of that runtime would need glibc 2.36).
cmake -S . -B "$build/linux" -G Ninja --no-warn-unused-cli -DCMAKE_BUILD_TYPE=MinSizeRel \
  -DBUILD_TESTING=OFF "-DCMAKE_CXX_FLAGS=-ffile-prefix-map=$PWD/= -ffile-prefix-map=$build/linux/=" \
  "-DCMAKE_EXE_LINKER_FLAGS=-static-libstdc++ -static-libgcc -Wl,--gc-sections" >/dev/null
cmake --build "$build/linux" --target veltrane-check >&2

stage=$build/zip
rm -rf "$stage"
mkdir -p "$stage"
for program in "${programs[@]}"; do
  x86_64-w64-mingw32-strip --strip-all -o "$stage/$program.exe" "$build/$program.exe"
done
strip --strip-all -o "$stage/veltrane-check" "$build/linux/veltrane-check"
chmod 755 "$stage/veltrane-check"
cp docs/example.config docs/windows-package.yml "$stage/"
cp LICENSE THIRD-PARTY-NOTICES.txt "$stage/"
mkdir "$stage/docs"
cp docs/*.md docs/failure-report.png "$stage/docs/"
rm "$stage/docs/developing.md"

# The tools' package: its sources, its pinned libraries (bundled, so that
# installing it downloads nothing) and the programs it puts into app folders.
tools=$build/tools
rm -rf "$tools"
mkdir -p "$tools/assets"
cp -r tools/package.json tools/package-lock.json tools/bin tools/lib LICENSE "$tools/"
for program in "${programs[@]}"; do
  [[ $program == veltrane-check ]] || cp "$stage/$program.exe" "$tools/assets/"
done
cp "$stage/veltrane-check" "$tools/assets/"
npm ci --prefix "$tools" --omit=dev --no-audit --no-fund --loglevel=error >&2
rm -f "$tools/node_modules/.package-lock.json"
# npm packs the files' modes as they are: fixed here, whatever the umask.
find "$tools" -type d -exec chmod 755 {} + -o -type f -exec chmod 644 {} +
chmod 755 "$tools"/bin/*.js "$tools/assets/veltrane-check"
tarball=$(cd "$tools" && npm pack --silent --pack-destination "$stage")
# The user's part of the README, the front page: what lies between the two
# markers (they may enclose several parts), without images.
{
  printf 'Veltrane %s: a launcher for Java applications on 64-bit Windows\n\n' "$version"
  sed -n '/^<!-- user-guide:begin -->$/,/^<!-- user-guide:end -->$/{/^<!-- user-guide:/d;/^!\[/d;p}' \
    README.md
} >"$stage/README.txt"
(cd "$stage" && find . -type f ! -name SHA256SUMS | sed 's|^\./||' | LC_ALL=C sort |
  xargs -d '\n' sha256sum >SHA256SUMS)

# Fixed order, times and permissions: the zip is a function of its files
# (the Linux checker keeps its execute bit).
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
        executable = name == "veltrane-check"
        entry.create_system, entry.external_attr = 3, (0o100755 if executable else 0o100644) << 16
        with open(os.path.join(stage, name), "rb") as data:
            archive.writestr(entry, data.read(), zipfile.ZIP_DEFLATED, 9)
os.replace(target + ".tmp", target)
PYTHON
cp "$stage/$tarball" "$dist/$tarball"
echo "$zip"
echo "$dist/$tarball"
