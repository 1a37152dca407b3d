#!/usr/bin/env bash
# Draws every picture of the programs into artwork/ (tools/artwork/MakeArtwork.cpp); the results are committed.
# Usage: tools/make-artwork.sh [build folder]   (default build/release, configured when missing)
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build/release}
[ -f "$build/build.ninja" ] || cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build "$build" --target make_artwork
QT_QPA_PLATFORM=offscreen "$build/bin/make_artwork" artwork
