#!/usr/bin/env bash
# mutants.sh [--seed S] [--count N] [--only FOLDER] [--jobs J]: a repeatable
# random sample of small faults in the product code, each built and run
# against the tests that depend on it (scripts/mutants.py). It runs in a
# private network namespace, as the web tests listen on fixed loopback ports.
set -euo pipefail
here="$(cd "$(dirname "$0")" && pwd)"
exec unshare -n bash -c 'ip link set lo up && exec python3 "$0" "$@"' "$here/mutants.py" "$@"
