#!/usr/bin/env bash
# Installs the Debian packages the build and the tests need; does nothing when
# they are all present. Runs as root (or through sudo when available).
set -euo pipefail

packages=(
  cmake ninja-build g++ clang libclang-rt-14-dev ccache pkg-config
  libgtest-dev libgmock-dev libbenchmark-dev nlohmann-json3-dev libcli11-dev
  libzip-dev zip mdbtools mdbtools-dev locales chromium
  libcurl4-openssl-dev libssl-dev openssl osslsigncode libcpp-httplib-dev unzip python3
)

missing=()
for package in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "install ok installed" || missing+=("$package")
done

as_root() {
  if [ "$(id -u)" -eq 0 ]; then "$@"; else sudo "$@"; fi
}

# Node and npm build and test the palette page; any installed Node (18 or
# newer) will do, Debian's is taken when there is none.
command -v node >/dev/null 2>&1 || missing+=(nodejs)
command -v npm >/dev/null 2>&1 || missing+=(npm)

if [ "${#missing[@]}" -gt 0 ]; then
  echo "Installing: ${missing[*]}"
  as_root apt-get update -qq
  DEBIAN_FRONTEND=noninteractive as_root apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi

# A comma-decimal locale lets the tests prove number texts ignore the locale.
if ! locale -a 2>/dev/null | grep -qi '^de_DE.utf8$'; then
  as_root localedef -i de_DE -f UTF-8 de_DE.UTF-8 2>/dev/null || true
fi

# The page's npm packages (esbuild, playwright-core), exactly as locked.
page="$(dirname "$0")/../page"
if [ ! -f "$page/node_modules/.package-lock.json" ] || [ "$page/package-lock.json" -nt "$page/node_modules/.package-lock.json" ]; then
  (cd "$page" && npm ci --no-audit --no-fund)
fi
