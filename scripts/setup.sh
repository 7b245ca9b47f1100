#!/usr/bin/env bash
# Installs every Debian package the build, the tests and the benchmarks need, then builds.
# Idempotent: quiet when everything is present; runs apt-get update only when something is missing.
# Usage: scripts/setup.sh [--deps-only] [cmake preset, default "release"]
set -euo pipefail

PACKAGES=(
  build-essential cmake ninja-build pkg-config
  libjpeg62-turbo-dev
  libavformat-dev libavcodec-dev libavutil-dev libswscale-dev libswresample-dev
  libpango1.0-dev libcairo2-dev fonts-liberation2
  libasound2-dev
  qt6-base-dev
  libgtest-dev libgmock-dev libbenchmark-dev ffmpeg
  clang libclang-rt-14-dev clang-format python3
)

missing=()
for p in "${PACKAGES[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$p")
  fi
done

if [ ${#missing[@]} -gt 0 ]; then
  SUDO=""
  [ "$(id -u)" -ne 0 ] && SUDO="sudo"
  echo "Installing: ${missing[*]}"
  $SUDO apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
fi

deps_only=0
if [ "${1:-}" = "--deps-only" ]; then deps_only=1; shift; fi
[ $deps_only -eq 1 ] && exit 0

preset="${1:-release}"
cd "$(dirname "$0")/.."
cmake --preset "$preset" >/dev/null
cmake --build --preset "$preset"
