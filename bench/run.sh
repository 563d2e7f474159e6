#!/usr/bin/env bash
# Throughput of the convert and add-in paths on generated 20 000-tool templates,
# the bundled-example records and the heavier PowerMill-like ones (--heavy):
#  - corvana convert against sha256sum of the same file: median of paired runs,
#    with peak RSS against 2 x input + 64 MiB;
#  - corvana-host parsing the template, streaming the tools to the page and
#    importing them all into a new library: wall seconds and peak RSS;
#  - convert time per tool at 2 000 and 20 000 tools (cost linear in tools).
# BENCH_MICRO=1 also runs the Google Benchmark cases.
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/install-deps.sh
command -v /usr/bin/time >/dev/null || DEBIAN_FRONTEND=noninteractive apt-get install -y -qq time
cmake --preset release >/dev/null
cmake --build --preset release --target corvana corvana-host corvana_addin corvana_bench corvana-make-template

bin=build/release
runs=${BENCH_RUNS:-7}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

if [ "${BENCH_MICRO:-0}" = 1 ]; then "$bin/bench/corvana_bench" --benchmark_min_time=1; fi

nanoseconds() {  # wall time of one run of the command
  local start end
  start=$(date +%s%N); "$@" >/dev/null; end=$(date +%s%N)
  echo $(( end - start ))
}

median() { sort -n | awk '{ v[NR] = $1 } END { print v[int((NR + 1) / 2)] }'; }

convert_ratio() {  # median over paired runs of convert time / sha256sum time
  local file=$1
  for _ in $(seq "$runs"); do
    local c s
    c=$(nanoseconds "$bin/apps/corvana/corvana" convert "$file" -o "$work/out.json")
    s=$(nanoseconds sha256sum "$file")
    awk -v c="$c" -v s="$s" 'BEGIN { printf "%.3f\n", c / s }'
  done | median
}

host_script() {  # parse, then import every tool into a new library
  local file=$1 count=$2
  {
    printf '{"dialog":"ok","path":"%s"}\n{"send":"BROWSE_AND_PARSE_PTF","data":""}\n' "$file"
    printf '{"send":"IMPORT_TOOLS","data":"{\\"libraryName\\":\\"Bench\\",\\"selectedIndices\\":['
    seq -s, 0 $(( count - 1 )) | tr -d '\n'
    printf ']}"}\n'
  } > "$work/host.jsonl"
}

printf '\n%-8s %8s %10s %10s %12s %12s %14s %12s %12s\n' variant tools "file MB" "ratio" "peak MB" "limit MB" \
  "host s" "host MB" "us/tool"
for variant in default heavy; do
  flag=""; [ "$variant" = heavy ] && flag=--heavy
  small="$work/small.ptf"; file="$work/t.ptf"
  "$bin/tests/support/corvana-make-template" 2000 "$small" $flag
  "$bin/tests/support/corvana-make-template" 20000 "$file" $flag
  bytes=$(stat -c %s "$file")
  ratio=$(convert_ratio "$file")
  peak_kb=$(/usr/bin/time -f %M "$bin/apps/corvana/corvana" convert "$file" -o "$work/out.json" 2>&1 >/dev/null | tail -n 1)
  small_ns=$(for _ in 1 2 3; do nanoseconds "$bin/apps/corvana/corvana" convert "$small" -o "$work/out.json"; done | median)
  large_ns=$(for _ in 1 2 3; do nanoseconds "$bin/apps/corvana/corvana" convert "$file" -o "$work/out.json"; done | median)
  host_script "$file" 20000
  rm -rf "$work/libraries"; mkdir "$work/libraries"
  host=$(/usr/bin/time -f '%e %M' "$bin/apps/corvana-host/corvana-host" --libraries "$work/libraries" \
           --addin "$bin/addin/libcorvana_addin.so" --script "$work/host.jsonl" 2>&1 >"$work/host.out" | tail -n 1)
  grep -q '"REPLY_IMPORT_TOOLS".*success\\":true' "$work/host.out" || echo "host import failed" >&2
  awk -v v="$variant" -v b="$bytes" -v r="$ratio" -v pk="$peak_kb" -v h="$host" -v sn="$small_ns" -v ln="$large_ns" 'BEGIN {
    split(h, hp, " ");
    printf "%-8s %8d %10.2f %10.2f %12.1f %12.1f %14.2f %12.1f %5.1f->%5.1f\n", v, 20000, b / 1e6, r, pk / 1024,
      2 * b / 1048576 + 64, hp[1], hp[2] / 1024, sn / 2000 / 1000, ln / 20000 / 1000 }'
done
echo "targets: ratio <= 4, peak <= limit, host <= 3 s and <= 512 MiB, us/tool about equal"
