#!/usr/bin/env bash
# soak.sh [build folder] [requests] [every]: sends page requests (VXA.htm, one
# connection, each request a full page) to the agent installed in a fresh
# machine with the typical hardware and the example peers, and records the
# service's resident memory before the first request and after every
# [every] requests. Writes "requests rss-KiB" lines to bench/results/raw/soak.txt.
# Holds /tmp/tsm-ports.lock throughout: run it when the ports may be held
# that long.
set -euo pipefail
root="$(cd "$(dirname "$0")/../.." && pwd)"
build="$(cd "${1:-$root/build}" && pwd)"
requests="${2:-100000}"
every="${3:-5000}"
out="$root/bench/results/raw/soak.txt"
mkdir -p "$(dirname "$out")"

exec 9>/tmp/tsm-ports.lock
flock 9
export TSM_MACHINE="$(mktemp -d /tmp/tsm-soak-XXXXXX)"
agent="$TSM_MACHINE/drive_c/Tarvion/bin/vxa"
finish() {
  "$agent" -stop >/dev/null 2>&1 || true
  "$agent" -uninstall >/dev/null 2>&1 || true
  rm -rf "$TSM_MACHINE"
}
trap finish EXIT
TSM_DESCRIPTION="$root/sim/machines/typical.xml" "$root/scripts/start-agent.sh" "$build" >/dev/null

# The service process: the one whose executable is the installed agent.
service=""
for proc in /proc/[0-9]*; do
  if [ "$(readlink "$proc/exe" 2>/dev/null)" = "$(readlink -f "$agent")" ]; then
    service="${proc#/proc/}"
  fi
done
[ -n "$service" ] || { echo "the service process was not found"; exit 1; }

python3 - "$service" "$requests" "$every" "$out" <<'PY'
import http.client, sys, time
pid, total, every, out = int(sys.argv[1]), int(sys.argv[2]), int(sys.argv[3]), sys.argv[4]
def rss():
    for line in open(f"/proc/{pid}/status"):
        if line.startswith("VmRSS:"):
            return int(line.split()[1])
started = time.time()
failures = 0
with open(out, "w") as f:
    f.write(f"# requests rss-KiB (VXA.htm, typical machine, pid {pid})\n0 {rss()}\n")
    f.flush()
    conn = http.client.HTTPConnection("127.0.0.1", 2301, timeout=60)
    for n in range(1, total + 1):
        try:
            conn.request("GET", "/VXA/VXA.htm")
            response = conn.getresponse()
            response.read()
            if response.status != 200:
                failures += 1
        except (OSError, http.client.HTTPException):
            failures += 1
            conn.close()
            conn = http.client.HTTPConnection("127.0.0.1", 2301, timeout=60)
        if n % every == 0:
            f.write(f"{n} {rss()}\n")
            f.flush()
            print(f"{n} requests, rss {rss()} KiB, {time.time() - started:.0f} s, {failures} failed", flush=True)
PY
