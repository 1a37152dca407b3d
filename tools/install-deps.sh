#!/usr/bin/env bash
# Installs the Debian packages the build, the tests and the demo need; skips apt when all are present.
set -euo pipefail

packages=(
    # build
    cmake ninja-build g++ pkg-config make
    libgtest-dev libgmock-dev googletest libbenchmark-dev
    qt6-base-dev libjpeg62-turbo-dev libssl-dev
    clang libclang-rt-14-dev
    # peers the tests run against
    python3 python3-pyftpdlib vsftpd microsocks dante-server netbase openssl curl
    # a slow link of the tests' own: ip and tc
    iproute2
    # libraries of proftpd and pure-ftpd, which tools/fetch-ftp-peers.sh unpacks (they conflict with vsftpd)
    libacl1 libcap2 libcrypt1 libhiredis0.14 libidn2-0 libmemcached11 libmemcachedutil2 libncursesw6 libpam0g
    libpcre2-8-0 libpcre2-posix3 libssl3 libtinfo6 zlib1g libsodium23
    lhasa p7zip-full libarchive-tools jlha-utils gcab arj zip bzip2 xz-utils
    # fonts and a display for the GUI
    fonts-ipafont-gothic xvfb xdg-utils
    # Qt's own texts (the folder chooser, the edit menus) in Japanese
    qt6-translations-l10n
)

missing=()
for p in "${packages[@]}"; do
    dpkg -s "$p" >/dev/null 2>&1 || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0

sudo=""
[ "$(id -u)" -eq 0 ] || sudo="sudo"
# Daemons must not start on install: the tests start their own copies on loopback.
if [ ! -e /usr/sbin/policy-rc.d ]; then
    printf '#!/bin/sh\nexit 101\n' | $sudo tee /usr/sbin/policy-rc.d >/dev/null
    $sudo chmod +x /usr/sbin/policy-rc.d
fi
$sudo apt-get update -q
DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -q --no-install-recommends "${missing[@]}"
