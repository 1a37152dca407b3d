#!/usr/bin/env bash
# Unpacks Debian's vsftpd, dante, proftpd and pure-ftpd into DEST/root for the tests and benchmarks to run as
# peers. Their packages are never installed: they would enable services at boot (and proftpd and pure-ftpd
# conflict with vsftpd). Their .deb files are fetched and unpacked here; their libraries come from
# tools/install-deps.sh. Does nothing when every daemon is already there.
set -euo pipefail

dest=${1:?usage: fetch-peer-daemons.sh DEST}
root="$dest/root"
daemons=(usr/sbin/vsftpd usr/sbin/danted usr/sbin/proftpd usr/sbin/pure-ftpd usr/bin/pure-pw)
packages=(vsftpd dante-server proftpd-core pure-ftpd)

have_all() {
    for d in "${daemons[@]}"; do
        [ -x "$root/$d" ] || return 1
    done
}
have_all && exit 0

debs="$dest/debs"
rm -rf "$debs" "$root"
mkdir -p "$debs" "$root"
cd "$debs"
sudo=""
[ "$(id -u)" -eq 0 ] || sudo="sudo"
# The package lists may be older than the archive, or missing on a fresh machine: refresh once and retry.
if ! apt-get download "${packages[@]}"; then
    $sudo apt-get update -q
    apt-get download "${packages[@]}"
fi
for deb in ./*.deb; do
    dpkg -x "$deb" "$root"
done
have_all
