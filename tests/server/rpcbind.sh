#!/usr/bin/env bash
# The server registers with the system's portmapper (rpcbind, started here in the namespace
# with a /run of its own) and withdraws the registration when it ends.
# Usage: rpcbind.sh <visa-sim-server>
set -u
command -v rpcbind >/dev/null || { echo "SKIP: rpcbind is not installed (CI installs it)" >&2; exit 77; }
[ "$(id -u)" = 0 ] || { echo "SKIP: rpcbind's own /run needs root" >&2; exit 77; }
exec unshare -m --propagation private bash -s "$1" <<'INNER'
set -u
mount -t tmpfs tmpfs /run || { echo "SKIP: cannot mount a private /run" >&2; exit 77; }
fail() { echo "FAIL: $*"; exit 1; }
rpcbind -f -w &
rpcbind=$!
out=$(mktemp)
trap 'kill $server $rpcbind 2>/dev/null; rm -f "$out"' EXIT
for _ in $(seq 100); do rpcinfo -p 127.0.0.1 >/dev/null 2>&1 && break; sleep 0.05; done
"$1" >"$out" &
server=$!
for _ in $(seq 100); do grep -q '^listening' "$out" && break; sleep 0.05; done
grep -q '^listening.*rpcbind' "$out" || fail "no registration with rpcbind: $(cat "$out")"
rpcinfo -p 127.0.0.1 | grep -q '395183.*tcp' || fail "rpcbind does not know the core channel"
lxi scpi -a 127.0.0.1 "*IDN?" | grep -q ',Q7304A,' || fail "lxi scpi through rpcbind"
kill -TERM $server
wait $server || fail "the server did not end cleanly"
rpcinfo -p 127.0.0.1 | grep -q '395183' && fail "the registration stayed after the server ended"
echo "rpcbind ok"
INNER
