#!/usr/bin/env bash
# Configures (once) and builds the Release tree in build/. cmake's own
# dependency check makes an up-to-date tree a no-op, so callers may run this
# every time. All output goes to standard error so that the program's own
# output on standard output stays clean.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
build="${QDX_BUILD_DIR:-$root/build}"
if [ ! -f "$build/CMakeCache.txt" ]; then
  cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release "$@" >&2
fi
cmake --build "$build" -j2 >&2
