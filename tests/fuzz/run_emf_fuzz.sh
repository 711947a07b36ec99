#!/bin/sh
# Fuzzes the metafile interpreter and its PDF renderer with libFuzzer under
# AddressSanitizer and UndefinedBehaviorSanitizer.
#   tests/fuzz/run_emf_fuzz.sh [seconds]     (default 600)
# Needs clang (Debian package "clang") and the platform's -dev packages.
# New crash inputs land in tests/fuzz/emf_crashes/; add each one there as a
# regression input (the export tests play every file of that folder).
set -eu
here=$(cd "$(dirname "$0")" && pwd)
root=$(cd "$here/../.." && pwd)
seconds=${1:-600}
out=${QDX_FUZZ_BUILD:-$root/build-fuzz}
mkdir -p "$out/corpus" "$here/emf_crashes"
cp -n "$here"/emf_corpus/* "$out/corpus/" 2>/dev/null || true

bin="$out/emf_fuzz"
srcs="$here/emf_fuzz_target.cpp $(ls "$root"/platform/*.cpp)"
for f in qdxEMFFormat qdxEMFAbstractExport qdxEMFtoPDFExport qdxPDFDocument qdxPDFFont qdxPDFImages \
         qdxExportPDFHelpers qdxPDFEncryption qdxRC4 qdxmd5 qdxPDFMetadata qdxPDFOutline \
         qdxTrueTypeCollection qdxTrueTypeFont qdxTrueTypeTable; do
  srcs="$srcs $root/export/pdf/$f.cpp"
done
headers="$(ls "$root"/platform/*.h "$root"/export/pdf/*.h)"
newest=$(ls -t $srcs $headers | head -n 1)
newest_header=$(ls -t $headers | head -n 1)
if [ ! -x "$bin" ] || [ "$newest" -nt "$bin" ]; then
  mkdir -p "$out/obj"
  flags="-std=c++20 -g -O1 -fsanitize=fuzzer-no-link,address,undefined -fno-sanitize-recover=undefined -I$root $(pkg-config --cflags freetype2 fontconfig harfbuzz fribidi libpng libjpeg pixman-1 zlib)"
  objs=""
  for s in $srcs; do
    o="$out/obj/$(echo "$s" | sed "s|$root/||; s|/|_|g").o"
    # Any changed header rebuilds every object: class layouts must agree.
    if [ ! -f "$o" ] || [ "$s" -nt "$o" ] || [ "$newest_header" -nt "$o" ]; then
      clang++ $flags -c "$s" -o "$o"
    fi
    objs="$objs $o"
  done
  clang++ -fsanitize=fuzzer,address,undefined $objs -o "$bin" \
    $(pkg-config --libs freetype2 fontconfig harfbuzz fribidi libpng libjpeg pixman-1 zlib)
fi

cd "$out"
# -timeout: an input that takes 10 s is a hang; -rss_limit_mb: a runaway allocation.
UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 ASAN_OPTIONS=detect_leaks=1 \
  LSAN_OPTIONS=suppressions="$here/../lsan.supp" \
  "$bin" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 -max_len=65536 \
  -artifact_prefix="$here/emf_crashes/" -print_final_stats=1 corpus "$here/emf_corpus"
