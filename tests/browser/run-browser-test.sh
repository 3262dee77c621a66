#!/usr/bin/env bash
# run-browser-test.sh <build folder> <output folder>: installs the built agent
# with its pages and the example peers into a fresh emulated machine with the
# typical hardware, starts it, and checks the management page in headless
# chromium (pagetest.js), the controllers' health on a machine with faults and
# on a healthy one (healthtest.js), then both again on the large machine with
# hundreds of controllers, and a hostile peer on the typical machine
# (hostiletest.js). The screenshots and what the page showed are left in the
# output folder.
set -euo pipefail
here="$(cd "$(dirname "$0")" && pwd)"
root="$(cd "$here/../.." && pwd)"
if ! { [ $# -eq 2 ] && [ -d "$1" ] && [ -n "$2" ]; }; then
  echo "usage: $0 <build folder> <output folder>" >&2
  exit 2
fi
build="$(cd "$1" && pwd)"
out="$2"
mkdir -p "$out"

if [ ! -d "$here/node_modules/playwright-core" ]; then
  (cd "$here" && npm ci --no-audit --no-fund --silent)
fi

export TSM_MACHINE="$(mktemp -d /tmp/tsm-browser-XXXXXX)"
agent="$TSM_MACHINE/drive_c/Tarvion/bin/vxa"
finish() {
  "$agent" -stop >/dev/null 2>&1 || true
  "$agent" -uninstall >/dev/null 2>&1 || true
  cp "$TSM_MACHINE/service-output.log" "$out/service-output.log" 2>/dev/null || true
  rm -rf "$TSM_MACHINE"
}
trap finish EXIT

# restart_on <machine>: the agent again on another simulated machine (a name
# in sim/machines, or the path of a description), with the web applications
# now in its folder, once its pages answer.
restart_on() {
  local description="$1"
  [[ "$description" == */* ]] || description="$root/sim/machines/$1.xml"
  "$TSM_MACHINE/drive_c/Tarvion/bin/tsm-machine" use "$description" >/dev/null
  "$agent" -stop >/dev/null
  "$agent" -start >/dev/null
  for _ in $(seq 1 120); do
    curl -fsk -o /dev/null --max-time 5 "https://127.0.0.1:2381/VXA/vxasupport.xml" && break
    sleep 0.5
  done
}

TSM_DESCRIPTION="$root/sim/machines/typical.xml" "$root/scripts/start-agent.sh" "$build"
node "$here/pagetest.js" --url "http://127.0.0.1:2301/VXA/VXA.htm" --machine typical --out "$out"
# Controller health: a machine with a fault on each controller, and one with
# nothing wrong.
restart_on "$here/machines/health-faults.xml"
node "$here/healthtest.js" --url "http://127.0.0.1:2301/VXA/VXA.htm" --machine faults --out "$out"
restart_on "$here/machines/healthy.xml"
node "$here/healthtest.js" --url "http://127.0.0.1:2301/VXA/VXA.htm" --machine healthy --out "$out"
# The large machine, with a peer that reports 400 more controllers, so that
# the page has hundreds of rows to render.
node "$here/fleetpeer.js" "$TSM_MACHINE/drive_c/qwex/webapps/Fleet" 400
restart_on large
node "$here/pagetest.js" --url "https://127.0.0.1:2381/VXA/VXA.htm" --machine large --out "$out"
node "$here/healthtest.js" --url "https://127.0.0.1:2381/VXA/VXA.htm" --machine large --out "$out"
# A hostile peer on the typical machine: links that would run script or leave
# the server, names that would end the page's data script.
node "$here/hostiletest.js" --write "$TSM_MACHINE/drive_c/qwex/webapps"
rm -rf "$TSM_MACHINE/drive_c/qwex/webapps/Fleet"
restart_on typical
node "$here/hostiletest.js" --url "http://127.0.0.1:2301/VXA/VXA.htm" --out "$out"
