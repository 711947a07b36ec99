#!/usr/bin/env bash
# Converts a report: ./run.sh samples/<report>.qdp [destination] [--OUTPUT=FMT]
set -euo pipefail
root="$(cd "$(dirname "$0")" && pwd)"
"$root/scripts/bootstrap.sh"
"$root/scripts/build.sh"
exec "$root/build/Ruzeve_zor" "$@"
