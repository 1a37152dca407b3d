#!/usr/bin/env bash
# Runs every benchmark binary of a release build; each prints its figures as ratios against its peer.
set -euo pipefail
build=${1:-build/release}
shopt -s nullglob
for b in "$build"/bench/*; do
    [ -x "$b" ] || continue
    echo "== $(basename "$b")"
    "$b" "${@:2}"
done
