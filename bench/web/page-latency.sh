#!/usr/bin/env bash
# page-latency.sh <build folder> [seconds]: page latency of the management page
# (every request runs discovery, the peers, the merge and the transformation)
# and of a static page of the same server, at 1 and at 16 connections, in one
# run against the agent installed in a fresh machine with the typical
# hardware and the example peers. Prints p50 and p99 (wrk) and the ratios.
set -euo pipefail
root="$(cd "$(dirname "$0")/../.." && pwd)"
build="$(cd "$1" && pwd)"
seconds="${2:-10}"

export TSM_MACHINE="$(mktemp -d /tmp/tsm-bench-XXXXXX)"
agent="$TSM_MACHINE/drive_c/Tarvion/bin/vxa"
finish() {
  "$agent" -stop >/dev/null 2>&1 || true
  "$agent" -uninstall >/dev/null 2>&1 || true
  rm -rf "$TSM_MACHINE"
}
trap finish EXIT
TSM_DESCRIPTION="$root/sim/machines/typical.xml" "$root/scripts/start-agent.sh" "$build" >/dev/null

# p50 and p99 of one wrk run, in milliseconds.
measure() {
  local url="$1" connections="$2"
  wrk -t "$(( connections < 4 ? connections : 4 ))" -c "$connections" -d "${seconds}s" --latency "$url" |
    awk '
      function ms(v) { if (v ~ /us$/) return v / 1000; if (v ~ /ms$/) return v + 0; if (v ~ /s$/) return v * 1000; return v }
      $1 == "50%" { p50 = ms($2) }
      $1 == "99%" { p99 = ms($2) }
      END { printf "%.2f %.2f\n", p50, p99 }'
}

page="http://127.0.0.1:2301/VXA/VXA.htm"
static="http://127.0.0.1:2301/ArrayTools/operate.htm"
printf "%-30s %6s %10s %10s\n" "page" "conns" "p50 ms" "p99 ms"
declare -A result
for connections in 1 16; do
  for url in "$page" "$static"; do
    read -r p50 p99 < <(measure "$url" "$connections")
    result["$url/$connections"]="$p50 $p99"
    printf "%-30s %6s %10s %10s\n" "${url#http://127.0.0.1:2301}" "$connections" "$p50" "$p99"
  done
done
for connections in 1 16; do
  read -r pagep50 pagep99 <<<"${result["$page/$connections"]}"
  read -r staticp50 staticp99 <<<"${result["$static/$connections"]}"
  awk -v c="$connections" -v a="$pagep50" -v b="$staticp50" -v d="$pagep99" -v e="$staticp99" \
    'BEGIN { printf "ratio VXA.htm / static page at %2d connections: p50 %.0fx, p99 %.0fx\n", c, a / b, d / e }'
done
