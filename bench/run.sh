#!/usr/bin/env bash
# Benchmarks (never part of ./test.sh):
#   bench/run.sh [--quick]
# Builds Release with the benchmarks in build-bench/, generates synthetic
# prepared reports (1,000 and 10,000 pages of a text-heavy table page and of a
# mixed page), converts each to every format the converter builds, as a whole
# process, several times, and prints pages/s (median), peak resident memory
# and output size beside the same figures for reference tasks measured in the
# same run: parsing the same file with pugixml (the parse limit), deflating at
# zlib level 1 as many bytes as the PDF's content (the compression limit) and,
# for CSV and text, copying the output bytes (the write limit). Then the
# micro-benchmarks of the hot kernels.
# --quick: 100 and 1,000 pages, one run each, short micro-benchmarks (checks
# that everything still runs, in about a minute on two idle cores).
# QDX_BENCH_RUNS=N sets the runs per figure (default 3).
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
"$root/scripts/bootstrap.sh"
build="$root/build-bench"
if [ ! -f "$build/CMakeCache.txt" ]; then
  cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DQDX_BUILD_BENCH=ON -DQDX_BUILD_TESTS=OFF >&2
fi
cmake --build "$build" -j2 >&2

sizes="1000 10000"
runs="${QDX_BENCH_RUNS:-3}"
min_time=0.5
if [ "${1:-}" = "--quick" ]; then sizes="100 1000"; runs=1; min_time=0.01; fi
formats="PDF PDFPRINT CSV TEXT"
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
conv="$build/Ruzeve_zor"
limits="$build/bench/limits"

# Runs a command under /usr/bin/time; prints "seconds peak_kB".
measure() {
  /usr/bin/time -f "%e %M" -o "$work/time" "$@" >"$work/out" 2>"$work/err" || {
    echo "failed: $*" >&2
    cat "$work/err" >&2
    return 1
  }
  cat "$work/time"
}
median() { sort -g | awk '{v[NR]=$1} END {print v[int((NR+1)/2)]}'; }

echo "commit $(git -C "$root" rev-parse --short HEAD 2>/dev/null || echo unknown)$(git -C "$root" diff --quiet HEAD 2>/dev/null || echo ' + uncommitted changes')"
echo "machine $(nproc) cores, load $(cut -d' ' -f1-3 /proc/loadavg); runs per figure: $runs (median)"
echo
printf '%-5s %6s %-5s | %9s %8s %11s | %-8s %9s %8s %7s %7s\n' \
  kind pages fmt "pages/s" "peak MB" "out bytes" limit "pages/s" "peak MB" "x time" "x mem"
for kind in table mixed; do
  for pages in $sizes; do
    src="$work/$kind-$pages.qdp"
    "$build/tools/qdx_generate" "$src" --pages "$pages" --kind "$kind"
    # The parse limit: another XML parser on the same file.
    : >"$work/ref"
    for ((r = 0; r < runs; r++)); do
      m=$(measure "$limits" parse "$src")
      echo "$(cut -d' ' -f1 "$work/out") ${m#* }" >>"$work/ref"
    done
    parse_s=$(cut -d' ' -f1 "$work/ref" | median)
    parse_kb=$(cut -d' ' -f2 "$work/ref" | median)
    for fmt in $formats; do
      : >"$work/conv"
      ext=$(echo "$fmt" | tr 'A-Z' 'a-z'); [ "$fmt" = TEXT ] && ext=txt; [ "$fmt" = PDFPRINT ] && ext=pdf
      out="$work/out-$kind-$pages.$ext"
      for ((r = 0; r < runs; r++)); do
        rm -f "$out"
        measure "$conv" "$src" "$out" --OUTPUT="$fmt" >>"$work/conv"
      done
      conv_s=$(cut -d' ' -f1 "$work/conv" | median)
      conv_kb=$(cut -d' ' -f2 "$work/conv" | median)
      size=$(stat -c %s "$out")
      row() {  # limit-name seconds kB
        awk -v k="$kind" -v p="$pages" -v f="$fmt" -v cs="$conv_s" -v ck="$conv_kb" -v sz="$size" \
            -v ln="$1" -v ls="$2" -v lk="$3" 'BEGIN {
          if (cs < 0.01) cs = 0.01; if (ls < 0.0001) ls = 0.0001;
          printf "%-5s %6d %-5s | %9.0f %8.1f %11d | %-8s %9.0f %8.1f %7.1f %7.2f\n",
                 k, p, f, p / cs, ck / 1024, sz, ln, p / ls, lk / 1024, cs / ls, ck / lk }' | tee -a "$work/table"
      }
      row parse "$parse_s" "$parse_kb"
      if [ "$fmt" = PDF ] || [ "$fmt" = PDFPRINT ]; then
        : >"$work/ref"
        for ((r = 0; r < runs; r++)); do
          m=$(measure "$limits" deflate "$out")
          echo "$(cut -d' ' -f1 "$work/out") ${m#* }" >>"$work/ref"
        done
        row deflate1 "$(cut -d' ' -f1 "$work/ref" | median)" "$(cut -d' ' -f2 "$work/ref" | median)"
      else
        : >"$work/ref"
        for ((r = 0; r < runs; r++)); do
          m=$(measure "$limits" copy "$out" "$work/copy")
          echo "$(cut -d' ' -f1 "$work/out") ${m#* }" >>"$work/ref"
        done
        row copy "$(cut -d' ' -f1 "$work/ref" | median)" "$(cut -d' ' -f2 "$work/ref" | median)"
      fi
      rm -f "$out" "$work/copy"
    done
    rm -f "$src"
  done
done
echo
echo "x time: conversion time / limit time; x mem: conversion peak / limit peak."
echo "Peak memory of the larger report against the smaller, per kind and format:"
awk '/\| parse/ {k = $1 " " $3; if (!(k in first)) first[k] = $6; else printf "  %-11s x%.2f\n", k, $6 / first[k]}' "$work/table"

echo
echo "== micro-benchmarks"
for b in xml_bench report_bench text_bench canvas_bench pdf_bench; do
  "$build/bench/$b" --benchmark_min_time="$min_time" 2>/dev/null | grep -E '^(BM_|Benchmark|-)' | grep -v '^-'
done
