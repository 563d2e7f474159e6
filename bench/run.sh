#!/usr/bin/env bash
# Measures parse + classify + convert on generated templates of 1 000 and
# 20 000 tools beside sha256sum of the same files, with peak memory.
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/install-deps.sh
command -v /usr/bin/time >/dev/null || DEBIAN_FRONTEND=noninteractive apt-get install -y -qq time
cmake --preset release >/dev/null
cmake --build --preset release --target corvana corvana_bench corvana-make-template

bin=build/release
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

"$bin/bench/corvana_bench" --benchmark_min_time=1

seconds() {  # best wall time of three runs of the command
  local best=""
  for _ in 1 2 3; do
    local start end
    start=$(date +%s%N); "$@" >/dev/null; end=$(date +%s%N)
    local elapsed=$(( end - start ))
    if [ -z "$best" ] || [ "$elapsed" -lt "$best" ]; then best=$elapsed; fi
  done
  echo "$best"
}

printf '\n%8s %10s %14s %14s %12s %14s %16s\n' tools "file MB" "convert MB/s" "sha256 MB/s" "ratio" "peak RSS MB" "limit MB"
for count in 1000 20000; do
  file="$work/t$count.ptf"
  "$bin/tests/support/corvana-make-template" "$count" "$file"
  bytes=$(stat -c %s "$file")
  convert_ns=$(seconds "$bin/apps/corvana/corvana" convert "$file" -o "$work/out.json")
  sha_ns=$(seconds sha256sum "$file")
  peak_kb=$(/usr/bin/time -f %M "$bin/apps/corvana/corvana" convert "$file" -o "$work/out.json" 2>&1 >/dev/null | tail -n 1)
  awk -v c="$count" -v b="$bytes" -v cn="$convert_ns" -v sn="$sha_ns" -v pk="$peak_kb" 'BEGIN {
    mb = b / 1e6; cv = mb / (cn / 1e9); sh = mb / (sn / 1e9);
    printf "%8d %10.2f %14.1f %14.1f %12.3f %14.1f %16.1f\n", c, mb, cv, sh, cv / sh, pk / 1024, 4 * b / 1048576 + 64 }'
done
