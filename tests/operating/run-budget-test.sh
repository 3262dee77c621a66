#!/usr/bin/env bash
# run-budget-test.sh <build folder> [pages] [every] [size] [budget] [rate]: the
# disk the agent's files take over a soak. Sends [pages] page requests (default
# 100000, one connection, at most [rate] a second; default as fast as they are
# answered) while the shipped logrotate configuration runs
# every [every] seconds (default 60) with its own size or [size] (a logrotate
# size such as 1M), and samples the bytes of every file the agent and its
# machine write (logs and their rotated copies) twice a second. Fails when
# the largest sample exceeds [budget] bytes (default 100 MiB).
set -euo pipefail
source "$(dirname "$0")/agentmachine.sh"
check_arguments 6 "<build folder> [pages] [every] [size] [budget] [rate]" "$@"
build="$(cd "$1" && pwd)"
pages="${2:-100000}"; every="${3:-60}"; size="${4:-}"; budget="${5:-$((100 << 20))}"; rate="${6:-0}"
enter_private_namespaces "$@"
command -v logrotate >/dev/null || { echo "SKIP: needs logrotate"; exit 77; }

TSM_MACHINE="$(mktemp -d /tmp/tsm-budget-XXXXXX)"
export TSM_MACHINE
helpers=()
finish() {
  for pid in "${helpers[@]}"; do kill "$pid" 2>/dev/null || true; done
  stop_agent
  rm -rf "$TSM_MACHINE"
}
trap finish EXIT
start_agent "$build"
"$root/scripts/install-log-rotation.sh" "$TSM_MACHINE" "$TSM_MACHINE/etc" >/dev/null
config="$TSM_MACHINE/etc/logrotate.d/tarvion-storage-manager"
[ -z "$size" ] || sed -i "s/^\( *\)size .*/\1size $size/" "$config"

# The agent's files, rotated copies included (everything but the tools' own).
used() {
  find "$TSM_MACHINE" \( -name 'vxa.log*' -o -name 'access.log*' -o -name 'service-output.log*' \
    -o -name 'debug-output.log*' -o -name '*.evt' -o -name 'server.log' \) -type f -printf '%s\n' |
    awk '{ total += $1 } END { print total + 0 }'
}
( while :; do logrotate --state "$TSM_MACHINE/logrotate.status" "$config"; sleep "$every"; done ) &
helpers+=($!)
( while :; do used; sleep 0.5; done >"$TSM_MACHINE/usage.txt" ) &
helpers+=($!)

started=$(date +%s)
python3 - "$pages" "$rate" <<'PY'
import http.client, sys, time
total, rate, failures = int(sys.argv[1]), float(sys.argv[2]), 0
conn = http.client.HTTPConnection("127.0.0.1", 2301, timeout=60)
start = time.monotonic()
for n in range(total):
    if rate > 0:
        time.sleep(max(0.0, start + n / rate - time.monotonic()))
    try:
        conn.request("GET", "/VXA/VXA.htm")
        response = conn.getresponse()
        response.read()
        failures += response.status != 200
    except (OSError, http.client.HTTPException):
        failures += 1
        conn.close()
        conn = http.client.HTTPConnection("127.0.0.1", 2301, timeout=60)
sys.exit(1 if failures else 0)
PY
elapsed=$(( $(date +%s) - started ))
sleep 1
largest="$(sort -n "$TSM_MACHINE/usage.txt" | tail -1)"
echo "$pages pages in $elapsed s, logrotate every $every s (size ${size:-as shipped}):" \
  "the agent's files held at most $largest bytes (budget $budget); at the end:"
find "$TSM_MACHINE" \( -name 'vxa.log*' -o -name 'access.log*' -o -name '*output.log*' \) -type f \
  -printf '  %10s %P\n' | sort -k2
[ "$largest" -le "$budget" ] || { echo "FAIL: over the budget" >&2; exit 1; }
