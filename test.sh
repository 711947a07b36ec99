#!/usr/bin/env bash
# Builds everything and runs every test: the Release tree in build/ with all
# tests, then the loaders and decoders again under AddressSanitizer and
# UndefinedBehaviorSanitizer in build-asan/ (the test programs and the program
# they run).
set -euo pipefail
root="$(cd "$(dirname "$0")" && pwd)"
"$root/scripts/bootstrap.sh"
"$root/scripts/build.sh"

echo "== tests (Release)"
ctest --test-dir "$root/build" --output-on-failure -j2

echo "== tests under AddressSanitizer + UndefinedBehaviorSanitizer"
asan="$root/build-asan"
if [ ! -f "$asan/CMakeCache.txt" ]; then
  cmake -S "$root" -B "$asan" -G Ninja -DCMAKE_BUILD_TYPE=Debug -DQDX_SANITIZE=ON >/dev/null
fi
cmake --build "$asan" -j2 --target qdx_sanitized_tests
ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 UBSAN_OPTIONS=halt_on_error=1:print_stacktrace=1 \
LSAN_OPTIONS="suppressions=$root/tests/lsan.supp:print_suppressions=0" \
  ctest --test-dir "$asan" --output-on-failure -L sanitized -j2
echo "== all tests passed"
