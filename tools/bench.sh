#!/usr/bin/env bash
# Runs every benchmark program of a release build at its defaults; each prints its figures as ratios against
# its peer. One that fails does not keep the others from running; the script then ends with an error naming it.
set -uo pipefail
build=${1:-build/release}
shopt -s nullglob
failed=()
for b in "$build"/bench/*; do
    # The folder also holds CMake's sub-folders, which are not programs.
    [ -f "$b" ] && [ -x "$b" ] || continue
    echo "== $(basename "$b")"
    "$b" "${@:2}" || failed+=("$(basename "$b")")
done
if [ ${#failed[@]} -gt 0 ]; then
    echo "bench: failed: ${failed[*]}" >&2
    exit 1
fi
