#!/usr/bin/env bash
# Takes the pictures of the password dialog, the wait window and the main window's pages on a real X server
# (Xvfb) into <build>/screenshots/. Usage: tools/screenshots.sh [build folder]   (default build/test, already built)
set -euo pipefail
cd "$(dirname "$0")/.."
build=$(cd "${1:-build/test}" && pwd)
out="$build/screenshots"
mkdir -p "$out"
# Leaks of the X and D-Bus client libraries are not this tool's business.
xvfb-run -a -s "-screen 0 1024x768x24" env QT_QPA_PLATFORM=xcb TARVO_TEST_BACKEND=qt ASAN_OPTIONS=detect_leaks=0 \
    TARVO_LIBRARY_PATH="$build/bin" TARVO_SCREENSHOT_DIR="$out" \
    "$build/tests/common_ui_test" --gtest_filter='Screenshots.*'
# The main window against a loopback FTP server of its own.
xvfb-run -a -s "-screen 0 1024x768x24" env QT_QPA_PLATFORM=xcb TARVO_TEST_BACKEND=qt ASAN_OPTIONS=detect_leaks=0 \
    TARVO_LIBRARY_PATH="$build/bin" TARVO_SCREENSHOT_DIR="$out" TARVO_DEMO_FTPD="$PWD/tools/demo-ftpd.py" \
    "$build/tests/client_window_test" --gtest_filter='Screenshots.*'
ls -l "$out"
