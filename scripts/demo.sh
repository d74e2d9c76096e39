#!/usr/bin/env bash
# Starts trandel in a sandbox of its own, never on the user's configuration: settings and
# site database under .demo/config, a local FTP server (pyftpdlib) on a free loopback port
# serving a small sample web site over explicit TLS, with a certificate made here, and a
# profile "Demo site" pointing at it that requires TLS and trusts that certificate. The
# local pane starts in .demo/site, the files to publish. DEMO_ADDRESS=::1 puts server and
# profile on IPv6 loopback.
set -euo pipefail
cd "$(dirname "$0")/.."

if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
  echo "run: there is no display to show trandel on." >&2
  echo "run: start ./run in a desktop session, or under a virtual display: xvfb-run -a ./run" >&2
  exit 1
fi

address=${DEMO_ADDRESS:-127.0.0.1}
case "$address" in
  127.0.0.1 | ::1) ;;
  *) echo "run: DEMO_ADDRESS is 127.0.0.1 or ::1" >&2; exit 1 ;;
esac
demo=$PWD/.demo
rm -rf "$demo"
mkdir -p "$demo/config"
chmod 700 "$demo/config"
cp -r scripts/demo-site/local "$demo/site"
cp -r scripts/demo-site/server "$demo/server-root"

# A certificate of our own for the address: self-signed, so the profile trusts it by its
# fingerprint, as a user would with "always trust".
openssl req -x509 -newkey ec -pkeyopt ec_paramgen_curve:prime256v1 -nodes -days 30 \
  -subj "/CN=$address" -addext "subjectAltName=IP:$address" \
  -keyout "$demo/server.key" -out "$demo/server.crt" >/dev/null 2>&1
cat "$demo/server.key" "$demo/server.crt" >"$demo/server.pem"
chmod 600 "$demo/server.key" "$demo/server.pem"
fingerprint=$(openssl x509 -noout -fingerprint -sha256 -in "$demo/server.crt" | cut -d= -f2)

/usr/bin/python3 tests/support/pyftpd_server.py --root "$demo/server-root" --address "$address" \
  --port-file "$demo/port" --user demo --password demo --tls-cert "$demo/server.pem" \
  >"$demo/server.log" 2>&1 &
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
build/app/trandel_demo_profile "Demo site" "$address" "$port" demo demo "$demo/site/" "$fingerprint"
echo "run: demo FTP server on $address port $port (explicit TLS; user demo, password demo), files in $demo/server-root"
build/app/trandel "$demo/site"
