#!/usr/bin/env bash
# Installs the Debian packages one use of the repository needs, and skips apt when all are present:
#   tools/install-deps.sh run     building the product and running it with its demo (make run)
#   tools/install-deps.sh bench   that, and what the benchmarks build with and measure against (make bench)
#   tools/install-deps.sh test    that, and the test frameworks, tools and peers (make test, make release)
# No package that holds a service is installed: the FTP servers and the SOCKS proxy the tests and benchmarks run
# are unpacked into the build by tools/fetch-peer-daemons.sh, which needs only their libraries from here.
set -euo pipefail

use=${1:?usage: install-deps.sh run|bench|test}

run_packages=(
    cmake ninja-build g++ pkg-config make
    qt6-base-dev libjpeg62-turbo-dev
    # Japanese captions, Qt's own texts (the folder chooser, the edit menus) in Japanese, the file manager opener
    fonts-ipafont-gothic qt6-translations-l10n xdg-utils
    # the service names the client resolves
    netbase
    # the demo's FTP server
    python3 python3-pyftpdlib
)
# Libraries of the unpacked daemons: vsftpd, dante, proftpd and pure-ftpd.
daemon_libraries=(
    libacl1 libcap2 libcrypt1 libhiredis0.14 libidn2-0 libmemcached11 libmemcachedutil2 libncursesw6 libpam0g
    libpam-modules libpcre2-8-0 libpcre2-posix3 libssl3 libtinfo6 libwrap0 zlib1g libsodium23
)
bench_packages=(
    "${run_packages[@]}" "${daemon_libraries[@]}"
    libbenchmark-dev libssl-dev openssl curl
)
test_packages=(
    "${bench_packages[@]}"
    libgtest-dev libgmock-dev googletest
    clang libclang-rt-14-dev
    # peers the tests run against
    microsocks
    lhasa p7zip-full libarchive-tools jlha-utils gcab arj zip bzip2 xz-utils
    # a slow link of the tests' own: ip and tc
    iproute2
    # a display for tools/screenshots.sh
    xvfb
)

case "$use" in
    run) packages=("${run_packages[@]}") ;;
    bench) packages=("${bench_packages[@]}") ;;
    test) packages=("${test_packages[@]}") ;;
    *)
        echo "install-deps: unknown use \"$use\"; give run, bench or test" >&2
        exit 2
        ;;
esac

missing=()
for p in "${packages[@]}"; do
    dpkg -s "$p" >/dev/null 2>&1 || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0

sudo=""
[ "$(id -u)" -eq 0 ] || sudo="sudo"
$sudo apt-get update -q
DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -q --no-install-recommends "${missing[@]}"
