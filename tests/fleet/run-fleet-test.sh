#!/usr/bin/env bash
# run-fleet-test.sh <build folder>: three simulated servers on Prometheus and
# Alertmanager (scripts/fleet-demo.sh 3) with intervals of one to three seconds and
# the shipped alert rules with their durations cut to a second (the staleness
# limit to 8 s). A drive failing on server-2 gives one notification, for
# server-2 and that drive, within three evaluation intervals of Prometheus
# holding the failure; mending it gives the resolved one; stopping server-3's
# collector gives the staleness alert for server-3 alone. Runs in private
# namespaces (root only; skipped otherwise) and ends within 80 seconds with
# every process of the fleet stopped.
set -euo pipefail
source "$(dirname "$0")/../operating/agentmachine.sh"
check_arguments 1 "<build folder>" "$@"
build="$(cd "$1" && pwd)"
enter_private_namespaces "$@"
for tool in prometheus prometheus-alertmanager prometheus-node-exporter amtool python3; do
  command -v "$tool" >/dev/null || { echo "SKIP: needs $tool"; exit 77; }
done

evaluation=3
deadline=$((SECONDS + 75))
work="$(mktemp -d /tmp/tsm-fleet-XXXXXX)"
dir="$work/fleet"
export TSM_FLEET_DIR="$dir"
finish() {
  "$root/scripts/fleet-demo.sh" stop >/dev/null
  rm -rf "$work"
}
trap finish EXIT
trap 'exit 1' TERM INT

fail() {
  echo "FAIL: $*" >&2
  echo "Notifications:" >&2
  notifications >&2 || true
  exit 1
}

# Each notification on one line: its status, the server and controller it
# groups, and each alert's status, name and summary.
notifications() {
  python3 - "$dir/notifications.jsonl" <<'PY'
import json, sys
for line in open(sys.argv[1], encoding="utf-8"):
    n = json.loads(line)
    group = n["groupLabels"]
    alerts = sorted("%s %s: %s" % (a["status"], a["labels"]["alertname"], a["annotations"].get("summary", ""))
                    for a in n["alerts"])
    print("%s %s/%s: %s" % (n["status"], group.get("server", ""), group.get("controller", ""), " | ".join(alerts)))
PY
}

# waitUntil SECONDS COMMAND...: true once COMMAND is, within SECONDS and the
# test's deadline.
waitUntil() {
  local until=$((SECONDS + $1)); shift
  [ "$until" -le "$deadline" ] || until=$deadline
  until "$@"; do
    [ "$SECONDS" -lt "$until" ] || return 1
    sleep 0.1
  done
}

query() { curl -fs --max-time 2 "http://127.0.0.1:19090/api/v1/$1" "${@:2}"; }
notified() { [ "$(wc -l <"$dir/notifications.jsonl")" -ge "$1" ]; }
targetsUp() {
  query targets | python3 -c 'import json, sys
up = sorted(t["labels"]["server"] for t in json.load(sys.stdin)["data"]["activeTargets"] if t["health"] == "up")
sys.exit(up != ["server-1", "server-2", "server-3"])'
}
driveFailedSeen() {
  query query -G --data-urlencode 'query=tsm_physical_drive_failed{server="server-2",drive="1"} == 1' \
    | grep -q '"server":"server-2"'
}

# The shipped rules, every duration a second and the staleness limit 8 s.
rules="$work/tsm-alerts.yml"
sed -E -e 's/^( +)for: [0-9]+m$/\1for: 1s/' -e 's/(tsm\[\.\]prom"\} >) 600$/\1 8/' \
  "$root/monitoring/tsm-alerts.yml" >"$rules"
[ "$(grep -c ' for: 1s$' "$rules")" -eq "$(grep -c ' for: ' "$root/monitoring/tsm-alerts.yml")" ] \
  && grep -q 'tsm\[\.\]prom"} > 8$' "$rules" || fail "the rules' durations could not be shortened"

TSM_FLEET_BUILD="$build" TSM_FLEET_RULES="$rules" TSM_FLEET_SCRAPE=1s TSM_FLEET_EVALUATION=${evaluation}s \
  TSM_FLEET_COLLECT=1 TSM_FLEET_GROUP_WAIT=1s TSM_FLEET_GROUP_INTERVAL=1s \
  timeout $((deadline - SECONDS - 30)) "$root/scripts/fleet-demo.sh" 3 >"$work/start.txt"
waitUntil 20 targetsUp || fail "Prometheus does not see the three servers up"

slot1="local controller Tarvion ArrayLine 210 in Slot 1 (serial P56R0000S1)"
scenario="$root/sim/scenarios/drive-rebuild.xml"
firing="server-2/Tarvion ArrayLine 210 in Slot 1: firing LogicalDriveDegraded: On server-2, logical drive 0 of \
array A on the $slot1 runs without redundancy: a drive has failed and nothing rebuilds it yet | firing \
PhysicalDriveFailed: On server-2, physical drive 1 of array A on the $slot1 has failed"

TSM_MACHINE="$dir/server-2/machine" "$build/tools/simctl/simctl" step "$scenario" drive-fails >/dev/null
waitUntil 15 driveFailedSeen || fail "Prometheus does not see drive 1 of server-2 failed"
seen=${EPOCHREALTIME/./}
waitUntil $((3 * evaluation)) notified 1 || fail "no notification within $((3 * evaluation)) s of Prometheus seeing the failure"
took=$(( ${EPOCHREALTIME/./} - seen ))
[ "$took" -le $((3 * evaluation * 1000000)) ] || fail "notified only after $((took / 1000)) ms"
echo "notified $((took / 1000)) ms after Prometheus held the failure"
sleep 3  # a second notification would come within a group interval or two
[ "$(notifications)" = "firing $firing" ] || fail "not exactly one notification, for server-2 and its drive 1"

TSM_MACHINE="$dir/server-2/machine" "$build/tools/simctl/simctl" step "$scenario" drive-replaced >/dev/null
waitUntil 15 notified 2 || fail "no notification after the drive was replaced"
sleep 2
[ "$(notifications | tail -n +2)" = "resolved ${firing//firing /resolved }" ] || fail "the drive's alerts are not resolved"

"$root/scripts/fleet-demo.sh" stop-collector 3 >/dev/null
waitUntil 25 notified 3 || fail "no notification after server-3's collector stopped"
sleep 2
[ "$(notifications | tail -n +3)" = "firing server-3/: firing StorageMetricsStale: On server-3, the storage metrics in \
$dir/server-3/textfile/tsm.prom are more than 10 minutes old: the collector has stopped" ] \
  || fail "not one staleness alert for server-3 alone"
echo "PASS: one notification per failure, for its server alone"
