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
#
# It checks the files git tracks, or, in a copy without git (an unpacked
# archive), every C++ file under src/ and tests/. It fails, saying why, when
# a tool is missing or it finds no file to check: it never passes unchecked.
set -uo pipefail
cd "$(dirname "$0")/.." || exit 1
exec </dev/null  # no tool may wait for input at a terminal

failed=()
step() { printf -- '-- %s\n' "$*"; }
cannotRun() {
  printf 'check-quality: cannot run: %s\n' "$*" >&2
  exit 1
}

for tool in clang-format clang-tidy cmake g++ clang++ x86_64-w64-mingw32-g++; do
  if ! command -v "$tool" >/dev/null; then
    cannotRun "$tool is not installed (scripts/install-deps.sh installs it)"
  fi
done

# The C++ files under the given folders, with the given ending.
cppFilesIn() {
  local ending="$1"
  shift
  if command -v git >/dev/null && [[ $(git rev-parse --show-toplevel 2>/dev/null) == "$PWD" ]]; then
    local folder patterns=()
    for folder in "$@"; do
      patterns+=("$folder/*$ending")
    done
    git ls-files "${patterns[@]}"
  else
    find "$@" -type f -name "*$ending" 2>/dev/null | sort
  fi
}

mapfile -t cppFiles < <(cppFilesIn .cpp src tests; cppFilesIn .h src tests)
mapfile -t portable < <(cppFilesIn .cpp src | grep -v '/win32_')
mapfile -t windowsOnly < <(cppFilesIn .cpp src | grep '/win32_')
if ((${#portable[@]} == 0 || ${#windowsOnly[@]} == 0)); then
  cannotRun "no C++ files found in src/ (run it in a checkout or a whole copy of the project)"
fi
echo "checking ${#cppFiles[@]} files (${#portable[@]} portable and ${#windowsOnly[@]} Windows sources)"

# The MinGW-w64 C++ and Windows headers, as the cross compiler finds them.
mingwIncludes=()
while read -r dir; do
  mingwIncludes+=(-isystem "$(realpath "$dir")")
done < <(x86_64-w64-mingw32-g++ -x c++ -E -v - </dev/null 2>&1 |
  sed -n '/^#include <...>/,/^End of search/p' | grep -E '/c\+\+|mingw32/include$')
if ((${#mingwIncludes[@]} == 0)); then
  cannotRun "x86_64-w64-mingw32-g++ names no C++ and Windows header folders"
fi

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
  # The version CMake gives the checker's --version, as any build would.
  "$compiler" -std=c++17 -O2 -Wall -Wextra -Werror -Isrc -DVELTRANE_VERSION='"0.0.0"' -c "$file" -o /dev/null
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
