#!/usr/bin/env bash
# Builds the command line and converts the bundled metric example template.
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/install-deps.sh
cmake --preset release >/dev/null
cmake --build --preset release --target corvana

mkdir -p out
output="out/Corvana Example (metric).json"
./build/release/apps/corvana/corvana inspect examples/metric-template.ptf
./build/release/apps/corvana/corvana convert examples/metric-template.ptf -o "$output" \
  --name "Corvana Example (metric)"
echo
echo "Result: $(pwd)/$output"
echo "Import it in Fusion: Manufacture > Manage > Tool Library, right-click Local > Import Libraries."
