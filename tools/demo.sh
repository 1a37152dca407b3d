#!/usr/bin/env bash
# The local demo: a loopback FTP server holding a demo account file with three folders, a demo machine root
# whose settings point at it, and Tarvo started against them. Everything lives under <build>/demo/, the toolkit's
# own settings too; the user's own machine root is never touched. The server stops when Tarvo ends; Ctrl-C, a
# kill or a hang-up of this script ends Tarvo as a close of its window does, then the server. One demo at a time.
#   tools/demo.sh [build folder]   (default build/release, already built)
set -euo pipefail
cd "$(dirname "$0")/.."
build=$(cd "${1:-build/release}" && pwd)
for program in Tarvo tarvo-provision tarvo-seal-accounts; do
    if [ ! -x "$build/bin/$program" ]; then
        echo "demo: $build/bin/$program is missing; build first (make run does)." >&2
        exit 1
    fi
done
if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
    echo "demo: Tarvo is a desktop program and there is no display here; run it from a desktop session." >&2
    exit 1
fi

demo="$build/demo"
server="$demo/server"
machine="$demo/machine"
password="tarvo-demo"
mkdir -p "$demo"
# Held by this script and, through the descriptor they inherit, by its server and Tarvo: a second demo would
# rebuild the running one's machine root under it and point it at a server of its own.
exec 9>>"$demo/demo.lock"
if ! flock -n 9; then
    echo "demo: a demo already runs from $demo; close its Tarvo window first." >&2
    exit 1
fi
rm -rf "$machine"
mkdir -p "$server/accounts" "$server/sales" "$server/projects" "$server/private" "$machine/etc"

# The folders: sales uses the built-in trunk password, projects keeps received trunks on the server,
# private asks for a password of the user's own.
cat > "$demo/accounts.ini" <<EOF
[営業部]
AccountType=1
Account=sales
Password=$password
ServerName=127.0.0.1
OrderNum=1
LimitTruncCount=20
[プロジェクト共有]
AccountType=2
Account=projects
Password=$password
ServerName=127.0.0.1
OrderNum=2
LimitTruncCount=20
[親展]
AccountType=0
Account=private
Password=$password
ServerName=127.0.0.1
OrderNum=1
LimitTruncCount=5
EOF
"$build/bin/tarvo-seal-accounts" "$demo/accounts.ini" "$server/accounts/demo.ace" >/dev/null
TARVO_MACHINE="$machine/" "$build/bin/tarvo-provision" --server 127.0.0.1 --account tarvo --password "$password" \
    --account-id demo --max-trunc-size 268435456 --fetch-comment --delete-after-receive >/dev/null

# The server takes a free port itself and names it in a file once it listens: a port picked here and handed to
# it could be taken by another program meanwhile, and the demo would then talk to that one.
# Server and Tarvo run in sessions of their own: Ctrl-C, a hang-up or a kill of the demo's process group reaches
# this script alone, which ends Tarvo with one signal (a second would cut its close short) while the server still
# serves what the close does (it deletes an upload it cut short), and then the server.
rm -f "$demo/ftpd.port"
setsid /usr/bin/python3 tools/demo-ftpd.py --port-file "$demo/ftpd.port" 0 \
    "tarvo:$password:$server/accounts" "sales:$password:$server/sales" \
    "projects:$password:$server/projects" "private:$password:$server/private" > "$demo/ftpd.log" 2>&1 &
ftpd=$!
tarvo=""
trap 'kill "$ftpd" 2>/dev/null || true; wait "$ftpd" 2>/dev/null || true' EXIT
# A signal to this script is passed on to Tarvo, which closes as its window would; the server stops after it.
end_tarvo() {
    if [ -n "$tarvo" ] && kill -TERM "$tarvo" 2>/dev/null; then
        wait "$tarvo" || true
    fi
    exit "$1"
}
trap 'end_tarvo 130' INT
trap 'end_tarvo 143' TERM
trap 'end_tarvo 129' HUP
for _ in $(seq 100); do
    [ -s "$demo/ftpd.port" ] && break
    if ! kill -0 "$ftpd" 2>/dev/null; then
        echo "demo: the FTP server did not start (python3-pyftpdlib missing?); see $demo/ftpd.log" >&2
        exit 1
    fi
    sleep 0.1
done
if [ ! -s "$demo/ftpd.port" ]; then
    echo "demo: the FTP server did not start listening; see $demo/ftpd.log" >&2
    exit 1
fi
port=$(cat "$demo/ftpd.port")
# The client always asks for the service "ftp": this machine root maps it to the demo server's port.
echo "ftp $port/tcp" > "$machine/etc/services"

cat <<EOF
Tarvo demo: FTP server on 127.0.0.1:$port serving $server
  folders: 営業部 (built-in password), プロジェクト共有 (kept on the server after receiving),
           親展 (asks for a trunk password)
  Send a trunk: 送信する, name it, drop files onto the list, pick a folder, 送信開始.
  Receive it:   受信する, pick the folder, tick the trunk, choose a place, 受信開始.
EOF
# The toolkit keeps what it remembers (the folder chooser's last folder) under the XDG folders: the demo's own.
mkdir -p "$demo/xdg/config" "$demo/xdg/cache" "$demo/xdg/data"
XDG_CONFIG_HOME="$demo/xdg/config" XDG_CACHE_HOME="$demo/xdg/cache" XDG_DATA_HOME="$demo/xdg/data" \
    TARVO_MACHINE="$machine/" TARVO_LIBRARY_PATH="$build/bin" setsid "$build/bin/Tarvo" &
tarvo=$!
# wait returns early when a trapped signal comes; the trap then ends Tarvo and the script.
wait "$tarvo"
