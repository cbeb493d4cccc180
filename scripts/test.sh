#!/usr/bin/env bash
# Installs what is missing, builds every preset and runs every test: the unit
# tests and the host veltrane-check on a staged folder (plain and under
# AddressSanitizer and UBSan), the end-to-end tests of veltrane.exe under Wine
# (ANSI and UTF-8 builds), the Node tools' tests and the MSI under Wine, the
# release checks, the fuzz smoke run and the code quality checks.
# Fails on the first failing step.
set -euo pipefail
cd "$(dirname "$0")/.."

step() { printf '\n== %s ==\n' "$*"; }

step "Installing what is missing"
scripts/install-deps.sh

# The host build's ctest also runs veltrane-check on a staged app folder.
step "Unit tests and the host veltrane-check"
cmake --preset host >/dev/null
cmake --build --preset host
ctest --preset host --no-tests=error

step "Unit tests under AddressSanitizer and UBSan"
cmake --preset host-sanitize >/dev/null
cmake --build --preset host-sanitize
ctest --preset host-sanitize --no-tests=error

step "veltrane.exe and its end-to-end tests under Wine"
cmake --preset windows >/dev/null
cmake --build --preset windows
for launcher in veltrane veltrane-console; do
  cmake -DFILE=build/windows/$launcher.exe -DBUDGET=65536 -P cmake/size-budget.cmake
done
ctest --preset windows --no-tests=error

step "The Node tools: veltrane-brand, veltrane-pack, the MSI and a linked runtime under Wine"
npm ci --prefix tools --no-audit --no-fund --loglevel=error
node --test tests/tools/
# Debian 12's own osslsigncode 2.5 too, where the one installed is another.
old_signer=$(scripts/osslsigncode-2.5.sh)
if [[ -n $old_signer ]]; then
  PATH="$old_signer:$PATH" node --test tests/tools/sign.test.mjs tests/tools/pack-msi.test.mjs
fi
tests/tools/msi_wine.py --launcher build/windows/veltrane.exe --helpers build/windows/tests/e2e
tests/tools/runtime_wine.py

step "The UTF-8 launcher (VELTRANE_UTF8_CODE_PAGE) and its end-to-end tests"
cmake --preset windows-utf8 >/dev/null
# Only what its UTF-8 cases and size budgets use: the launchers and the helper programs.
cmake --build --preset windows-utf8 --target veltrane veltrane-console probe starter report_reader
ctest --preset windows-utf8 --no-tests=error

step "The release: two builds compared, checksums, smoke run, packaging workflow"
tests/release/check_release.sh

step "Fuzz smoke run"
scripts/fuzz-smoke.sh

step "Format and clang-tidy"
scripts/check-quality.sh

step "All tests passed"
