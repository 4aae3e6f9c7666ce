#!/usr/bin/env bash
# lxi-tools against the server: a query over VXI-11 and over the raw socket, and discovery
# through the server's own portmapper. Usage: lxi.sh <visa-sim-server> <bus file>
set -u
command -v lxi >/dev/null || { echo "SKIP: lxi-tools is not installed" >&2; exit 77; }
out=$(mktemp)
"$1" --bus "$2" >"$out" &
server=$!
trap 'kill $server 2>/dev/null; rm -f "$out"' EXIT
for _ in $(seq 100); do grep -q '^listening' "$out" && break; sleep 0.05; done
grep -q '^listening' "$out" || { echo "no listening line"; exit 1; }
fail() { echo "FAIL: $*"; exit 1; }
lxi scpi -a 127.0.0.1 "*IDN?" | grep -q ',Q7304A,' || fail "lxi scpi over VXI-11"
lxi scpi -a 127.0.0.1 -r -p 5025 "*IDN?" | grep -q ',Q7304A,' || fail "lxi scpi over the socket"
lxi discover | grep -q 'Q7304A.*127.0.0.1' || fail "lxi discover"
kill -INT $server
wait $server || fail "the server did not end cleanly"
trap 'rm -f "$out"' EXIT
echo "lxi ok"
