#!/usr/bin/env bash
# Installs the Debian packages that the build, the program and the tests need.
# Idempotent: asks dpkg first and touches apt only when something is missing.
set -euo pipefail

PACKAGES=(
  build-essential cmake ninja-build ccache pkg-config
  libgtest-dev libgmock-dev libbenchmark-dev
  zlib1g-dev libpugixml-dev
  libfreetype-dev libfontconfig-dev libharfbuzz-dev libfribidi-dev
  libpng-dev libjpeg62-turbo-dev libpixman-1-dev
  fonts-liberation fonts-dejavu-core icc-profiles-free
  python3 time
  qpdf poppler-utils python3-pypdf python3-fonttools python3-pikepdf emf2svg clang
)

missing=()
for p in "${PACKAGES[@]}"; do
  if ! dpkg -s "$p" >/dev/null 2>&1 || ! dpkg -s "$p" 2>/dev/null | grep -q '^Status: install ok installed'; then
    missing+=("$p")
  fi
done

if ((${#missing[@]})); then
  echo "bootstrap: installing ${missing[*]}" >&2
  SUDO=""
  if [ "$(id -u)" -ne 0 ]; then SUDO="sudo"; fi
  export DEBIAN_FRONTEND=noninteractive
  $SUDO apt-get update -qq >&2
  $SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}" >&2
fi
