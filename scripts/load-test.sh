#!/usr/bin/env bash
# load-test.sh <build folder> [seconds] [clients]: installs the built agent in
# a fresh emulated machine, holds <clients> (default 64) concurrent loopback
# connections on the management page for <seconds> (default 600) with wrk, and
# fails on any failed request (non-2xx, socket error, timeout) or when the
# service ends with more threads or descriptors than it had after a warm-up
# (TSM_LOAD_WARMUP seconds, default 30: long enough for the server library to
# open the loopback connections it keeps), or with its resident memory grown
# by more than TSM_LOAD_RSS_PERCENT (10) % in the second half of the load over
# the higher of the warm-up's and the first half's: the allocator's arenas
# reach their plateau at a time the machine's speed decides, a leak keeps
# growing.
# Sockets may grow by the loopback connections the server library keeps for
# its client calls (at most 16 transfer handles, each with an HTTP and an
# HTTPS connection to the server itself, both ends in this process: 64) and
# by connections still closing: up to 128 sockets pass.
# Uses the loopback ports 2301 and 2381: hold /tmp/tsm-ports.lock around it.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
usage() { echo "usage: $0 <build folder> [seconds] [clients]" >&2; exit 2; }
[ $# -ge 1 ] && [ $# -le 3 ] && [ -d "$1" ] || usage
build="$(cd "$1" && pwd)"; seconds="${2:-600}"; clients="${3:-64}"
[[ "$seconds" =~ ^[1-9][0-9]*$ && "$clients" =~ ^[1-9][0-9]*$ ]] || usage
rssPercent="${TSM_LOAD_RSS_PERCENT:-10}"
page="http://127.0.0.1:2301/VXA/VXA.htm"
TSM_MACHINE="$(mktemp -d /tmp/tsm-load-XXXXXX)"
export TSM_MACHINE
agent="$TSM_MACHINE/drive_c/Tarvion/bin/vxa"
cleanup() { "$root/scripts/stop-agent.sh" >/dev/null 2>&1 || true; rm -rf "$TSM_MACHINE"; }
trap cleanup EXIT

"$root/scripts/start-agent.sh" "$build" >/dev/null
pid=""
for exe in /proc/[0-9]*/exe; do
  if [ "$(readlink "$exe" 2>/dev/null)" = "$agent" ]; then pid="${exe#/proc/}"; pid="${pid%/exe}"; fi
done
[ -n "$pid" ] || { echo "no service process" >&2; exit 1; }

# Threads, descriptors other than sockets, sockets and resident kB of the
# service once it is idle again.
measure() {
  local previous="" now fds sockets
  for _ in $(seq 1 50); do
    fds="$(find /proc/"$pid"/fd -mindepth 1 -printf '%l\n' 2>/dev/null || true)"
    sockets="$(grep -c '^socket:' <<<"$fds" || true)"
    now="$(ls /proc/"$pid"/task | wc -l) $(( $(wc -l <<<"$fds") - sockets )) $sockets"
    [ "$now" = "$previous" ] && break
    previous="$now"; sleep 0.2
  done
  echo "$now $(awk '/^VmRSS/ { print $2 }' /proc/"$pid"/status)"
}

# wrk's summary: requests, failures (non-2xx and every socket error); a run
# that printed no summary counts as no request answered.
run() {
  local out
  out="$(wrk -t2 -c"$clients" -d"$1"s --timeout 120s "$page")" || echo "wrk failed" >&2
  echo "$out" >&2
  local requests bad
  requests="$(echo "$out" | awk '/requests in/ { print $1 }')"
  bad="$(echo "$out" | awk '/Non-2xx/ { n += $NF } /Socket errors/ { gsub(",", ""); n += $4 + $6 + $8 + $10 } END { print n + 0 }')"
  echo "${requests:-0} $bad"
}

read -r _ warmBad < <(run "${TSM_LOAD_WARMUP:-30}")
read -r threads0 fds0 sockets0 rss0 < <(measure)
echo "after warm-up: $threads0 threads, $fds0 descriptors and $sockets0 sockets, $rss0 kB resident"
half=$(( (seconds + 1) / 2 ))
read -r requestsA badA < <(run "$half")
read -r _ _ _ rssHalf < <(measure)
echo "after $half s: $rssHalf kB resident"
read -r requestsB badB < <(run "$half")
read -r threads1 fds1 sockets1 rss1 < <(measure)
requests=$((requestsA + requestsB)); bad=$((badA + badB))
echo "after $((2 * half)) s x $clients clients: $requests requests, $bad failed;" \
     "$threads1 threads, $fds1 descriptors and $sockets1 sockets, $rss1 kB resident"
rssBase=$(( rssHalf > rss0 ? rssHalf : rss0 ))
status=0
[ "$((warmBad + bad))" -eq 0 ] || { echo "FAIL: failed requests" >&2; status=1; }
[ "$requests" -gt 0 ] || { echo "FAIL: no request answered" >&2; status=1; }
[ "$threads1" -le "$threads0" ] || { echo "FAIL: threads grew" >&2; status=1; }
[ "$fds1" -le "$fds0" ] || { echo "FAIL: descriptors grew" >&2; status=1; }
[ "$sockets1" -le "$sockets0" ] || [ "$sockets1" -le 128 ] || { echo "FAIL: sockets grew" >&2; status=1; }
[ "$((rss1 * 100))" -le "$((rssBase * (100 + rssPercent)))" ] || { echo "FAIL: resident memory grew" >&2; status=1; }
grep -q Sanitizer "$TSM_MACHINE/service-output.log" 2>/dev/null && { echo "FAIL: sanitizer report" >&2; status=1; }
exit $status
