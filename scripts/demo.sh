#!/usr/bin/env bash
# Starts trandel in a sandbox of its own, never on the user's configuration: settings and
# site database under .demo/config, a local FTP server (pyftpdlib) on a free loopback port
# serving a small sample web site, and a profile "Demo site" pointing at it. The local
# pane starts in .demo/site, the files to publish.
set -euo pipefail
cd "$(dirname "$0")/.."

if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
  echo "run: there is no display to show trandel on." >&2
  echo "run: start ./run in a desktop session, or under a virtual display: xvfb-run -a ./run" >&2
  exit 1
fi

demo=$PWD/.demo
rm -rf "$demo"
mkdir -p "$demo/config"
chmod 700 "$demo/config"
cp -r scripts/demo-site/local "$demo/site"
cp -r scripts/demo-site/server "$demo/server-root"

/usr/bin/python3 tests/support/pyftpd_server.py --root "$demo/server-root" \
  --port-file "$demo/port" --user demo --password demo >"$demo/server.log" 2>&1 &
server=$!
trap 'kill "$server" 2>/dev/null || true' EXIT
for _ in $(seq 100); do
  [ -s "$demo/port" ] && break
  kill -0 "$server" 2>/dev/null || { cat "$demo/server.log" >&2; exit 1; }
  sleep 0.1
done
[ -s "$demo/port" ] || { echo "run: the demo FTP server did not start" >&2; exit 1; }
port=$(cat "$demo/port")

export TESSALY_CONFIG_DIR=$demo/config
build/app/trandel_demo_profile "Demo site" 127.0.0.1 "$port" demo demo "$demo/site/"
echo "run: demo FTP server on 127.0.0.1:$port (user demo, password demo), files in $demo/server-root"
build/app/trandel "$demo/site"
