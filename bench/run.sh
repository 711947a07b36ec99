#!/usr/bin/env bash
# Benchmarks (never part of ./test.sh):
#   bench/run.sh [--quick]
# Builds the Release tree with the benchmarks in build-bench/, measures XML
# parsing throughput, then generates a synthetic prepared report and times
# loading it and building every page (pages/s and peak memory).
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
"$root/scripts/bootstrap.sh"
build="$root/build-bench"
if [ ! -f "$build/CMakeCache.txt" ]; then
  cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DQDX_BUILD_BENCH=ON -DQDX_BUILD_TESTS=OFF >&2
fi
cmake --build "$build" -j2 >&2

pages=10000
min_time=1
if [ "${1:-}" = "--quick" ]; then pages=500; min_time=0.1; fi
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT

echo "== commit $(git -C "$root" rev-parse --short HEAD 2>/dev/null || echo unknown)"
echo "== XML reader"
"$build/bench/xml_bench" --benchmark_min_time="$min_time" 2>/dev/null
for kind in table mixed; do
  echo "== load and build every page: $pages pages, $kind"
  "$build/tools/qdx_generate" "$work/$kind.qdp" --pages "$pages" --kind "$kind"
  echo "file size $(stat -c %s "$work/$kind.qdp") bytes"
  "$build/bench/pages_bench" "$work/$kind.qdp"
done
