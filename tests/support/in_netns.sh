#!/usr/bin/env bash
# Runs a command in a private network namespace with only loopback up, so a test's
# servers and clients never reach another address. Exit 77 (skip) where none can be made.
set -u
if ! unshare -n true 2>/dev/null; then
  echo "SKIP: cannot make a private network namespace (needs root or user namespaces)" >&2
  exit 77
fi
exec unshare -n bash -c 'ip link set lo up || exit 77; exec "$@"' in_netns "$@"
