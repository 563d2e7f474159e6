#!/usr/bin/env bash
# Builds everything and runs every test: the debug build, then the
# AddressSanitizer + UBSan build. Usage: scripts/test.sh [--no-asan]
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/install-deps.sh

configure=debug
sanitized=asan
if [ "${CI:-}" = "true" ]; then
  configure=ci
  sanitized=ci-asan
fi

cmake --preset "$configure"
cmake --build --preset "$configure"
ctest --preset "$configure"

if [ "${1:-}" != "--no-asan" ]; then
  cmake --preset "$sanitized"
  cmake --build --preset "$sanitized"
  ctest --preset "$sanitized"
fi
