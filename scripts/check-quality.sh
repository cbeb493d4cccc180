#!/usr/bin/env bash
# The code quality gate. Fails when any of these finds something:
#   1. clang-format: every C++ file in src/ and tests/ is formatted as
#      .clang-format says;
#   2. clang-tidy: the product code (src/) has no finding under .clang-tidy;
#      the portable files are checked with the host build's compile commands,
#      the Windows files against the MinGW-w64 headers for a Windows target;
#   3. compiler warnings: every product file compiles without a warning under
#      -Wall -Wextra with g++, clang++ and (with the Windows files)
#      x86_64-w64-mingw32-g++.
# Each step runs even when an earlier one failed, so one run shows everything.
#
# Usage: scripts/check-quality.sh   (no arguments; exit status 0 when clean)
set -uo pipefail
cd "$(dirname "$0")/.."

failed=()
step() { printf -- '-- %s\n' "$*"; }

mapfile -t cppFiles < <(git ls-files 'src/*.cpp' 'src/*.h' 'tests/*.cpp' 'tests/*.h')
mapfile -t portable < <(git ls-files 'src/*.cpp' | grep -v '/win32_')
mapfile -t windowsOnly < <(git ls-files 'src/*.cpp' | grep '/win32_')

# The MinGW-w64 C++ and Windows headers, as the cross compiler finds them.
mingwIncludes=()
while read -r dir; do
  mingwIncludes+=(-isystem "$(realpath "$dir")")
done < <(x86_64-w64-mingw32-g++ -x c++ -E -v - </dev/null 2>&1 |
  sed -n '/^#include <...>/,/^End of search/p' | grep -E '/c\+\+|mingw32/include$')

step "clang-format"
clang-format --dry-run -Werror "${cppFiles[@]}" || failed+=(clang-format)

step "clang-tidy"
cmake --preset host >/dev/null || failed+=("host configure")
# clang-tidy counts the warnings it suppressed in system headers on stderr;
# that count is noise, its other messages are not.
tidy() { clang-tidy --quiet "$@" 2> >(grep -v 'warnings\? generated\.$' >&2); }
export -f tidy
printf '%s\n' "${portable[@]}" | xargs -P 2 -I{} bash -c 'tidy -p build/host "$1"' _ {} ||
  failed+=("clang-tidy (portable)")
tidy "${windowsOnly[@]}" -- --target=x86_64-w64-mingw32 -std=c++17 -Isrc "${mingwIncludes[@]}" ||
  failed+=("clang-tidy (Windows)")

step "compiler warnings"
compile() {
  local compiler="$1" file="$2"
  "$compiler" -std=c++17 -O2 -Wall -Wextra -Werror -Isrc -c "$file" -o /dev/null
}
export -f compile
for compiler in g++ clang++; do
  printf '%s\n' "${portable[@]}" | xargs -P 2 -I{} bash -c 'compile "$1" "$2"' _ "$compiler" {} ||
    failed+=("$compiler warnings")
done
# The POSIX-only files (posix_*) have no Windows build.
printf '%s\n' "${portable[@]}" "${windowsOnly[@]}" | grep -v '/posix_' |
  xargs -P 2 -I{} bash -c 'compile x86_64-w64-mingw32-g++ "$1"' _ {} ||
  failed+=("x86_64-w64-mingw32-g++ warnings")

if ((${#failed[@]} > 0)); then
  printf 'check-quality: FAILED: %s\n' "${failed[@]}"
  exit 1
fi
echo "check-quality: clean"
