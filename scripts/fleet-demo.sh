#!/usr/bin/env bash
# fleet-demo.sh [N] | status | stop-collector K | stop
#
# N simulated servers (default 5, at most 40) watched by Prometheus and
# Alertmanager, all on the loopback address. Server k has a machine of its own
# ($TSM_FLEET_DIR/server-k/machine); in turn the scenarios battery-failure,
# drive-rebuild and controller-stops at their healthy step, then the typical,
# large, drives and failing machines. Each server has a collector loop that
# runs the README's cron line every few seconds into its textfile folder and
# a node_exporter with only the textfile collector. One Prometheus scrapes
# them all through monitoring/prometheus-scrape.yml with
# monitoring/tsm-alerts.yml loaded; one Alertmanager routes through
# monitoring/alertmanager.yml to a local webhook receiver that appends each
# notification to $TSM_FLEET_DIR/notifications.jsonl.
#
#   status            each process with its memory, and the sum
#   stop-collector K  stops server K's collector (its metrics then go stale)
#   stop              stops every process the fleet started, by its id
#
# Settings (environment):
#   TSM_FLEET_DIR       run folder (default ~/.local/state/tsm-fleet)
#   TSM_FLEET_BUILD     build folder whose tools to use; without it the tools
#                       are built in build/
#   TSM_FLEET_PORT      first port (default 19090): Prometheus on it,
#                       Alertmanager +3, webhook +5, server k's node_exporter +10+k
#   TSM_FLEET_RULES     alert rule file (default monitoring/tsm-alerts.yml)
#   TSM_FLEET_SCRAPE, TSM_FLEET_EVALUATION   Prometheus intervals (default 5s)
#   TSM_FLEET_COLLECT   seconds between two collector runs (default 5)
#   TSM_FLEET_GROUP_WAIT, TSM_FLEET_GROUP_INTERVAL   Alertmanager's timings
#                       (default: those of monitoring/alertmanager.yml)
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
dir="${TSM_FLEET_DIR:-${XDG_STATE_HOME:-$HOME/.local/state}/tsm-fleet}"
mkdir -p "$dir"
dir="$(cd "$dir" && pwd)"
port="${TSM_FLEET_PORT:-19090}"
prometheusPort=$port
alertmanagerPort=$((port + 3))
webhookPort=$((port + 5))
exporterPort() { echo $((port + 10 + $1)); }
marker="$dir/.tsm-fleet"

# Machine descriptions in the order servers get them: a scenario at its
# healthy step, or a machine of sim/machines.
descriptions=(scenario:battery-failure scenario:drive-rebuild scenario:controller-stops
              machine:typical machine:large machine:drives machine:failing)

die() { echo "fleet-demo: $*" >&2; exit 1; }

# The process recorded in pid file $1, if it runs and is one of this fleet's
# (its command line names the run folder).
fleetProcess() {
  local pid command
  pid="$(cat "$1" 2>/dev/null)" || return 1
  [[ "$pid" =~ ^[0-9]+$ ]] || return 1
  command="$(tr '\0' ' ' <"/proc/$pid/cmdline" 2>/dev/null)" || return 1
  [[ "$command" == *"$dir"* ]] || return 1
  echo "$pid"
}

# Stops the processes of the given pid files: each was started as the leader
# of a session of its own, so its whole process group goes (a collector's
# running tsm-tree too).
stopProcesses() {
  local file pid pids=()
  for file in "$@"; do
    if pid="$(fleetProcess "$file")"; then
      kill -TERM -- "-$pid" 2>/dev/null || true
      pids+=("$pid")
    fi
    rm -f "$file"
  done
  for _ in $(seq 1 50); do
    local alive=()
    for pid in "${pids[@]}"; do
      kill -0 -- "-$pid" 2>/dev/null && alive+=("$pid")
    done
    pids=("${alive[@]}")
    [ ${#pids[@]} -eq 0 ] && return 0
    sleep 0.2
  done
  for pid in "${pids[@]}"; do
    kill -KILL -- "-$pid" 2>/dev/null || true
  done
}

stopAll() {
  shopt -s nullglob
  local files=("$dir"/pids/*)
  shopt -u nullglob
  [ ${#files[@]} -eq 0 ] || stopProcesses "${files[@]}"
}

# The resident memory of each process group of the fleet, and the sum.
status() {
  local file pid name kb total=0
  printf '%-16s %8s %10s\n' process pid "RSS (KB)"
  for file in "$dir"/pids/*; do
    [ -e "$file" ] || continue
    name="$(basename "$file")"
    if pid="$(fleetProcess "$file")"; then
      kb="$(ps -eo pgid=,rss= | awk -v group="$pid" '$1 == group { sum += $2 } END { print sum + 0 }')"
      total=$((total + kb))
      printf '%-16s %8s %10s\n' "$name" "$pid" "$kb"
    else
      printf '%-16s %8s %10s\n' "$name" "-" "stopped"
    fi
  done
  printf '%-16s %8s %10s\n' total "" "$total"
}

# start NAME COMMAND...: runs COMMAND as the leader of a session of its own,
# its output in logs/NAME.log and its process id in pids/NAME.
start() {
  local name="$1"; shift
  setsid "$@" >"$dir/logs/$name.log" 2>&1 </dev/null &
  echo $! >"$dir/pids/$name"
}

# Waits up to a minute until the URL answers and, when given, its body holds $2.
waitFor() {
  local url="$1" text="${2:-}" body
  for _ in $(seq 1 300); do
    if body="$(curl -fsS --max-time 2 "$url" 2>/dev/null)" && [[ "$body" == *"$text"* ]]; then
      return 0
    fi
    sleep 0.2
  done
  return 1
}

case "${1:-5}" in
  stop)
    stopAll
    echo "Stopped the fleet in $dir"
    exit 0 ;;
  status)
    status
    exit 0 ;;
  stop-collector)
    [[ "${2:-}" =~ ^[0-9]+$ ]] && [ -e "$dir/pids/collector-$2" ] || die "no collector ${2:-} in $dir"
    stopProcesses "$dir/pids/collector-$2"
    echo "Stopped the collector of server-$2"
    exit 0 ;;
esac

count="${1:-5}"
[[ "$count" =~ ^[0-9]+$ ]] && [ "$count" -ge 1 ] && [ "$count" -le 40 ] \
  || die "usage: fleet-demo.sh [N (1 to 40)] | status | stop-collector K | stop"
[[ "$port" =~ ^[0-9]+$ ]] && [ "$port" -ge 1024 ] && [ "$port" -le 65000 ] \
  || die "TSM_FLEET_PORT must be a port from 1024 to 65000"
for command in prometheus promtool prometheus-alertmanager amtool prometheus-node-exporter python3 curl setsid; do
  command -v "$command" >/dev/null || die "$command is missing: run scripts/install-deps.sh"
done
shopt -s nullglob
for file in "$dir"/pids/*; do
  fleetProcess "$file" >/dev/null && die "a fleet runs in $dir already: scripts/fleet-demo.sh stop"
done
shopt -u nullglob
# Start afresh, but empty only a folder this script made.
if [ -n "$(ls -A "$dir")" ]; then
  [ -e "$marker" ] || die "$dir holds files of something else; choose another TSM_FLEET_DIR"
  find "$dir" -mindepth 1 -delete
fi
touch "$marker"
mkdir -p "$dir/pids" "$dir/logs"

build="${TSM_FLEET_BUILD:-}"
if [ -z "$build" ]; then
  build="$root/build"
  [ -f "$build/CMakeCache.txt" ] || cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DTSM_TESTS=OFF -DTSM_BENCH=OFF >/dev/null
  cmake --build "$build" -j"$(nproc)" --target tsm-tree tsm-machine simctl tsmsim >/dev/null
fi
build="$(cd "$build" && pwd)"
tree="$build/tools/tsm-tree/tsm-tree"
machineTool="$build/tools/tsm-machine/tsm-machine"
simctl="$build/tools/simctl/simctl"
for tool in "$tree" "$machineTool" "$simctl"; do
  [ -x "$tool" ] || die "$tool is not built"
done
rules="${TSM_FLEET_RULES:-$root/monitoring/tsm-alerts.yml}"
[ -f "$rules" ] || die "no rule file $rules"

# Whatever fails from here on stops what was started.
trap 'rc=$?; [ $rc -eq 0 ] || { stopAll; echo "fleet-demo: start failed; logs in $dir/logs" >&2; }' EXIT

mkdir -p "$dir/prometheus/targets" "$dir/alertmanager"
targets="$dir/prometheus/targets/fleet.yml"
: >"$targets"
for k in $(seq 1 "$count"); do
  server="$dir/server-$k"
  description="${descriptions[$(((k - 1) % ${#descriptions[@]}))]}"
  mkdir -p "$server/machine/drive_c/Tarvion/bin" "$server/textfile"
  # Each server has its own copy of tsm-tree, so each keeps its own debug log.
  cp "$tree" "$server/machine/drive_c/Tarvion/bin/tsm-tree"
  case "$description" in
    scenario:*)
      TSM_MACHINE="$server/machine" "$simctl" step "$root/sim/scenarios/${description#scenario:}.xml" healthy >/dev/null
      echo "${description#scenario:} scenario at its healthy step" >"$server/description" ;;
    machine:*)
      TSM_MACHINE="$server/machine" "$machineTool" use "$root/sim/machines/${description#machine:}.xml" >/dev/null
      echo "${description#machine:} machine" >"$server/description" ;;
  esac
  # The README's cron line, every few seconds; the tool's debug log is
  # emptied once it passes 10 MB.
  start "collector-$k" bash -c '
    machine="$1"; tool="$machine/drive_c/Tarvion/bin/tsm-tree"
    while :; do
      TSM_MACHINE="$machine" "$tool" --set full --format prometheus --output "$2/tsm.prom"
      [ "$(stat -c %s "$tool.log" 2>/dev/null || echo 0)" -lt 10485760 ] || : >"$tool.log"
      sleep "$3"
    done' collector "$server/machine" "$server/textfile" "${TSM_FLEET_COLLECT:-5}"
  start "node-exporter-$k" prometheus-node-exporter --collector.disable-defaults --collector.textfile \
    --collector.textfile.directory="$server/textfile" --web.listen-address="127.0.0.1:$(exporterPort "$k")"
  printf -- "- targets: ['127.0.0.1:%s']\n  labels:\n    server: server-%s\n" "$(exporterPort "$k")" "$k" >>"$targets"
done

# Prometheus: the operator's scrape job, reading this fleet's target file.
config="$dir/prometheus/prometheus.yml"
cp "$rules" "$dir/prometheus/tsm-alerts.yml"
cat >"$config" <<EOF
global:
  scrape_interval: ${TSM_FLEET_SCRAPE:-5s}
  evaluation_interval: ${TSM_FLEET_EVALUATION:-5s}
rule_files: ['$dir/prometheus/tsm-alerts.yml']
alerting:
  alertmanagers:
    - static_configs:
        - targets: ['127.0.0.1:$alertmanagerPort']
EOF
sed "s|files: \['[^']*'\]|files: ['$dir/prometheus/targets/*.yml']|" "$root/monitoring/prometheus-scrape.yml" >>"$config"
grep -qF "$dir/prometheus/targets" "$config" || die "monitoring/prometheus-scrape.yml names no target files"
promtool check config "$config" >"$dir/logs/promtool.log" 2>&1 || die "bad Prometheus configuration: $dir/logs/promtool.log"

# Alertmanager: the operator's route, its receiver pointed at the local webhook.
amConfig="$dir/alertmanager/alertmanager.yml"
sed -e "s|url: .*|url: 'http://127.0.0.1:$webhookPort/'|" \
    ${TSM_FLEET_GROUP_WAIT:+-e "s|group_wait: .*|group_wait: $TSM_FLEET_GROUP_WAIT|"} \
    ${TSM_FLEET_GROUP_INTERVAL:+-e "s|group_interval: .*|group_interval: $TSM_FLEET_GROUP_INTERVAL|"} \
    "$root/monitoring/alertmanager.yml" >"$amConfig"
amtool check-config "$amConfig" >"$dir/logs/amtool.log" 2>&1 || die "bad Alertmanager configuration: $dir/logs/amtool.log"

: >"$dir/notifications.jsonl"
start webhook python3 "$root/scripts/fleet-webhook.py" "$webhookPort" "$dir/notifications.jsonl"
start alertmanager prometheus-alertmanager --config.file="$amConfig" --storage.path="$dir/alertmanager/data" \
  --web.listen-address="127.0.0.1:$alertmanagerPort" --cluster.listen-address=
start prometheus prometheus --config.file="$config" --storage.tsdb.path="$dir/prometheus/data" \
  --storage.tsdb.retention.time=1d --web.listen-address="127.0.0.1:$prometheusPort"

for k in $(seq 1 "$count"); do
  waitFor "http://127.0.0.1:$(exporterPort "$k")/metrics" "tsm_scrape_success" \
    || die "server-$k's node_exporter shows no storage metrics: $dir/logs/collector-$k.log, node-exporter-$k.log"
done
waitFor "http://127.0.0.1:$alertmanagerPort/-/ready" || die "Alertmanager does not answer: $dir/logs/alertmanager.log"
waitFor "http://127.0.0.1:$prometheusPort/-/ready" || die "Prometheus does not answer: $dir/logs/prometheus.log"
trap - EXIT

echo "A fleet of $count simulated servers in $dir:"
for k in $(seq 1 "$count"); do
  printf '  server-%-3s %-45s http://127.0.0.1:%s/metrics\n' "$k" "$(cat "$dir/server-$k/description")" "$(exporterPort "$k")"
done
cat <<EOF

Prometheus:    http://127.0.0.1:$prometheusPort/alerts
Alertmanager:  http://127.0.0.1:$alertmanagerPort
Notifications: $dir/notifications.jsonl
EOF
if [ "$count" -ge 2 ]; then
  cat <<EOF

Fail a drive of server-2 (and mend it with the step drive-replaced):
  TSM_MACHINE=$dir/server-2/machine $simctl step $root/sim/scenarios/drive-rebuild.xml drive-fails
EOF
fi
cat <<EOF
Memory:        scripts/fleet-demo.sh status
Stop it:       scripts/fleet-demo.sh stop
EOF
