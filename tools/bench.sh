#!/usr/bin/env bash
# Runs the benchmark programs of a release build; each prints its figures as ratios against its peer.
#   tools/bench.sh [build folder]                     every program, at its defaults (build/release by default)
#   tools/bench.sh build-folder program [words...]    that program alone, given the words after it, e.g.
#                                                     tools/bench.sh build/release ftp_transfer vsftpd passive
# Each program refuses words it does not know. One that fails does not keep the others from running; the script
# then ends with an error naming it.
set -uo pipefail
build=${1:-build/release}
if [ ! -d "$build" ]; then
    echo "bench: no build folder \"$build\"; the build folder comes first: tools/bench.sh build/release $*" >&2
    exit 2
fi
shopt -s nullglob
programs=()
for b in "$build"/bench/*; do
    # The folder also holds CMake's sub-folders, which are not programs.
    [ -f "$b" ] && [ -x "$b" ] && programs+=("$(basename "$b")")
done
if [ ${#programs[@]} -eq 0 ]; then
    echo "bench: no benchmark programs in $build/bench; build them first (make bench does)" >&2
    exit 2
fi
if [ $# -ge 2 ]; then
    for p in "${programs[@]}"; do
        [ "$p" = "$2" ] && exec "$build/bench/$p" "${@:3}"
    done
    echo "bench: no benchmark program \"$2\"; there are: ${programs[*]}" >&2
    exit 2
fi
failed=()
for p in "${programs[@]}"; do
    echo "== $p"
    "$build/bench/$p" || failed+=("$p")
done
if [ ${#failed[@]} -gt 0 ]; then
    echo "bench: failed: ${failed[*]}" >&2
    exit 1
fi
