#!/usr/bin/env bash
# The code quality gate. Fails when any of these finds something:
#   1. clang-format: every C++ file in src/ and tests/ is formatted as
#      .clang-format says;
#   2. clang-tidy: the product code (src/) has no finding under .clang-tidy;
#      the portable files are checked with the host build's compile commands,
#      the Windows files against the MinGW-w64 headers for a Windows target;
#   3. compiler warnings: every product file compiles without a warning under
#      -Wall -Wextra with g++, clang++ and (with the Windows files)
#      x86_64-w64-mingw32-g++;
#   4. ESLint: the Node tools and their tests (tools/, tests/) break none of
#      tools/eslint.config.js's rules (needs npm ci --prefix tools);
#   5. pylint: the Python tests and scripts have no undefined or unused name,
#      no shadowed one, no unreachable code (the checks listed below).
# Each step runs even when an earlier one failed, so one run shows everything.
#
# Usage: scripts/check-quality.sh   (no arguments; exit status 0 when clean)
#
# It checks the files git tracks, or, in a copy without git (an unpacked
# archive), every such file under the folders named. It fails, saying why, when
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

for tool in clang-format clang-tidy cmake g++ clang++ x86_64-w64-mingw32-g++ pylint; do
  if ! command -v "$tool" >/dev/null; then
    cannotRun "$tool is not installed (scripts/install-deps.sh installs it)"
  fi
done
eslint=tools/node_modules/.bin/eslint
[[ -x $eslint ]] || cannotRun "ESLint is not installed: run npm ci --prefix tools"

# The files under the given folders, with the given ending.
filesIn() {
  local ending="$1"
  shift
  if command -v git >/dev/null && [[ $(git rev-parse --show-toplevel 2>/dev/null) == "$PWD" ]]; then
    local folder patterns=()
    for folder in "$@"; do
      patterns+=("$folder/*$ending")
    done
    git ls-files "${patterns[@]}"
  else
    find "$@" -type f -name "*$ending" -not -path '*/node_modules/*' 2>/dev/null | sort
  fi
}

mapfile -t cppFiles < <(filesIn .cpp src tests; filesIn .h src tests)
mapfile -t portable < <(filesIn .cpp src | grep -v '/win32_')
mapfile -t windowsOnly < <(filesIn .cpp src | grep '/win32_')
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

step "ESLint"
mapfile -t jsFiles < <(filesIn .js tools tests; filesIn .mjs tools tests)
if ((${#jsFiles[@]} == 0)); then
  cannotRun "no JavaScript files found in tools/ and tests/"
fi
"$eslint" --config tools/eslint.config.js --max-warnings 0 "${jsFiles[@]}" || failed+=(eslint)

step "pylint"
mapfile -t pyFiles < <(filesIn .py tests scripts)
if ((${#pyFiles[@]} == 0)); then
  cannotRun "no Python files found in tests/ and scripts/"
fi
# Faults, not taste: pylint's errors (undefined names, bad calls, ...), and
# unused or shadowed names, unreachable code and the like.
pythonChecks=E,unused-import,unused-variable,unused-argument,redefined-outer-name
pythonChecks+=,redefined-builtin,undefined-loop-variable,cell-var-from-loop,unreachable
pythonChecks+=,dangerous-default-value,pointless-statement,expression-not-assigned
pythonChecks+=,self-assigning-variable,duplicate-key,lost-exception
# The e2e package is imported from tests/e2e, as run_e2e.py and msi_wine.py do.
PYTHONPATH=tests/e2e pylint --rcfile=/dev/null --score=n --jobs=2 --disable=all \
  --enable="$pythonChecks" "${pyFiles[@]}" || failed+=(pylint)

if ((${#failed[@]} > 0)); then
  printf 'check-quality: FAILED: %s\n' "${failed[@]}"
  exit 1
fi
echo "check-quality: clean"
