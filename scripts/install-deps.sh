#!/usr/bin/env bash
# Installs the Debian packages that the builds and tests need, and only those
# that are missing, so a second run changes nothing and needs no network.
# Run as root.
set -euo pipefail

packages=(
  # host build, unit tests, sanitizers, fuzzing and the quality checks
  cmake ninja-build g++ clang libclang-rt-dev libgtest-dev libgmock-dev googletest
  clang-format clang-tidy python3 git
  # the lint of the Python tests and scripts (the JavaScript's comes from npm)
  pylint
  # the cross-built veltrane.exe
  g++-mingw-w64-x86-64 binutils-mingw-w64-x86-64
  # the end-to-end tests: Wine, a virtual X display, screenshots
  wine64 xvfb x11-apps imagemagick
  # the release: branding (icotool for PNG icons), signing, checksums, the
  # user's workflow (its YAML, its download and unzip)
  icoutils osslsigncode openssl ca-certificates python3-yaml curl unzip zip
  # the installer (wixl, msiinfo) and signing with a key on a PKCS#11 token
  # (OpenSSL's PKCS#11 engine; SoftHSM for the tests)
  wixl msitools libengine-pkcs11-openssl softhsm2
)
# The sample app that the demo, the pack tests and the benchmark build needs
# javac and jar: a JDK 17 or later already on PATH does, else Debian's.
jdk_on_path() {
  local version
  version=$(javac -version 2>&1) || return 1
  [[ $version =~ ^javac\ ([0-9]+) ]] && ((BASH_REMATCH[1] >= 17))
}
jdk_on_path || packages+=(default-jdk-headless)

missing=()
for package in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q '^install ok installed$'; then
    missing+=("$package")
  fi
done
# The Node tools (branding, packing) run on Node.js 18 or later, with npm: Debian's own
# packages, unless a Node.js with npm is there already.
if ! command -v node >/dev/null || ! command -v npm >/dev/null; then
  missing+=(nodejs npm)
fi

if ((${#missing[@]} == 0)); then
  echo "install-deps: everything is installed"
  exit 0
fi
echo "install-deps: installing ${missing[*]}"
export DEBIAN_FRONTEND=noninteractive
apt-get update
apt-get install -y --no-install-recommends "${missing[@]}"
