#!/usr/bin/env bash
# Brands a launcher from a checkout: writes OUT.exe, the launcher IN.exe with
# the name, icon, version information and code page of BRAND.json (see
# docs/branding.md). Installs the branding tool's pinned dependencies
# (npm ci in tools) on first use and whenever its lock file changed.
#
# Usage: scripts/brand.sh BRAND.json IN.exe OUT.exe
set -euo pipefail

tool="$(cd "$(dirname "$0")/../tools" && pwd)"
if ! command -v node >/dev/null || ! command -v npm >/dev/null; then
  echo "brand.sh: Node.js and npm are needed: run scripts/install-deps.sh" >&2
  exit 1
fi
if [[ ! -f $tool/node_modules/.package-lock.json ||
      $tool/package-lock.json -nt $tool/node_modules/.package-lock.json ]]; then
  npm ci --prefix "$tool" --no-audit --no-fund --loglevel=error >&2
fi
exec node "$tool/bin/veltrane-brand.js" "$@"
