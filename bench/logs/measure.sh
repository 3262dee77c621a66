#!/usr/bin/env bash
# measure.sh [build folder] [pages]: how fast each file the agent and its
# machine write grows. Installs the agent in a fresh machine and measures,
# from the files' sizes before and after, the debug log per page and per
# tsm-tree run on the typical and the large machine, the access log per
# request, the debug log per second under 16 clients, the packet capture per
# page, what a service stop and start adds to the event log, the service
# trace and the service output, and how well the debug log compresses.
# Writes the table to bench/results/raw/logs.txt. Runs in private network
# and mount namespaces when root (else holds /tmp/tsm-ports.lock).
set -euo pipefail
source "$(dirname "$0")/../../tests/operating/agentmachine.sh"
build="$(cd "${1:-$root/build}" && pwd)"
pages="${2:-200}"
out="$root/bench/results/raw/logs.txt"
if [ "$(id -u)" -eq 0 ]; then
  enter_private_namespaces "$@"
else
  exec 9>/tmp/tsm-ports.lock
  flock 9
fi

TSM_MACHINE="$(mktemp -d /tmp/tsm-logs-XXXXXX)"
export TSM_MACHINE
trap 'stop_agent; rm -rf "$TSM_MACHINE"' EXIT
start_agent "$build"
bin="$TSM_MACHINE/drive_c/Tarvion/bin"
page=http://127.0.0.1:2301/VXA/VXA.htm

size() { stat -c %s "$1" 2>/dev/null || echo 0; }
lines() { if [ -f "$1" ]; then wc -l <"$1"; else echo 0; fi; }
pagesOf() { for _ in $(seq 1 "$1"); do curl -fsS -o /dev/null --max-time 60 "$page"; done; }
# "<file> <bytes> <lines>" per unit of work, given sizes and line counts before.
report() { # name, file, bytes before, lines before, units, unit
  local bytes=$(( $(size "$2") - $3 )) count=$(( $(lines "$2") - $4 ))
  printf '%-44s %10.0f bytes %8.1f lines per %s\n' "$1" "$(awk "BEGIN { print $bytes / $5 }")" \
    "$(awk "BEGIN { print $count / $5 }")" "$6"
}

{
echo "# Growth of the agent's files (build $(basename "$build"), $(date -u '+%Y-%m-%d %H:%M UTC'))"
for machine in typical large; do
  "$bin/tsm-machine" use "$root/sim/machines/$machine.xml" >/dev/null
  pagesOf 3 # the first refresh after a change discovers everything anew
  sleep 0.3
  b=$(size "$bin/vxa.log"); l=$(lines "$bin/vxa.log")
  ab=$(size "$TSM_MACHINE/drive_c/qwex/access.log"); al=$(lines "$TSM_MACHINE/drive_c/qwex/access.log")
  n=$pages; [ "$machine" = large ] && n=$(( pages / 4 + 1 ))
  pagesOf "$n"
  sleep 0.5 # the access log is written in batches, 100 ms after a request
  report "debug log (vxa.log), $machine machine" "$bin/vxa.log" "$b" "$l" "$n" page
  report "access log (a line a request), $machine" "$TSM_MACHINE/drive_c/qwex/access.log" "$ab" "$al" "$n" page
  b=$(size "$bin/tsm-tree.log"); l=$(lines "$bin/tsm-tree.log")
  for _ in 1 2 3 4 5; do "$bin/tsm-tree" --set full >/dev/null; done
  report "tsm-tree debug log, --set full, $machine" "$bin/tsm-tree.log" "$b" "$l" 5 run
done

"$bin/tsm-machine" use "$root/sim/machines/typical.xml" >/dev/null
pagesOf 3
b=$(size "$bin/vxa.log"); l=$(lines "$bin/vxa.log")
read -r requests bad < <(load_pages 16 10)
report "debug log under 16 clients, typical ($(( requests / 10 )) pages/s)" "$bin/vxa.log" "$b" "$l" 10 second

files=("$TSM_MACHINE/eventlog/Application.evt" "$TSM_MACHINE/debug-output.log" "$TSM_MACHINE/service-output.log")
declare -a before=() beforeLines=()
for f in "${files[@]}"; do before+=("$(size "$f")"); beforeLines+=("$(lines "$f")"); done
export SIM_CAPTURE="$TSM_MACHINE/capture.jsonl"
"$agent" -stop >/dev/null
"$agent" -start >/dev/null
for i in "${!files[@]}"; do
  report "$(basename "${files[$i]}") per stop and start" "${files[$i]}" "${before[$i]}" "${beforeLines[$i]}" 1 cycle
done
pagesOf 3
b=$(size "$SIM_CAPTURE"); l=$(lines "$SIM_CAPTURE")
pagesOf "$pages"
report "packet capture (SIM_CAPTURE), typical" "$SIM_CAPTURE" "$b" "$l" "$pages" page
b=$(size "$TSM_MACHINE/service-output.log"); l=$(lines "$TSM_MACHINE/service-output.log")
pagesOf "$pages"
report "service-output.log" "$TSM_MACHINE/service-output.log" "$b" "$l" "$pages" page
printf '%-44s %10.1f\n' "debug log size / gzip size" \
  "$(awk "BEGIN { print $(size "$bin/vxa.log") / $(gzip -c "$bin/vxa.log" | wc -c) }")"
} | tee "$out"
