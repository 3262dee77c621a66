#!/usr/bin/env bash
# start-agent.sh <build folder>: installs a built tree into the emulated
# machine $TSM_MACHINE (agent, pages, configuration, server library, example
# peers as the server's web applications), gives the machine a storage
# configuration if it has none, installs and starts the service and waits
# until the management page answers.
# TSM_DESCRIPTION names the machine description used when the machine has
# none yet (default: sim/machines/typical.xml); TSM_PEERS=none installs no
# example peers.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
if [ $# -ne 1 ] || [ ! -d "$1" ]; then
  echo "usage: $0 <build folder>" >&2
  exit 2
fi
build="$1"
: "${TSM_MACHINE:?TSM_MACHINE names the machine}"
export TSM_MACHINE
prefix="$TSM_MACHINE/drive_c/Tarvion"
agent="$prefix/bin/vxa"
tool="$prefix/bin/tsm-machine"
webapps="$TSM_MACHINE/drive_c/qwex/webapps"
mkdir -p "$TSM_MACHINE/drive_c"

# Stop a service left running by an earlier run, so its files can be replaced.
if [ -x "$agent" ]; then
  "$agent" -stop >/dev/null 2>&1 || true
fi
cmake --install "$build" --prefix "$prefix" >/dev/null

# The example peers are static web applications of the server: one folder
# each under webapps/ (Suite/EventView sits one level down, so the server
# announces only "Suite" in its cache and Event View is known from
# vxaconfig.xml alone).
mkdir -p "$webapps"
if [ "${TSM_PEERS:-examples}" != none ]; then
  for peer in "$prefix"/peers/*/; do
    name="$(basename "$peer")"
    rm -rf "${webapps:?}/$name"
    cp -r "$peer" "$webapps/$name"
  done
fi

if [ ! -f "$TSM_MACHINE/machine.xml" ]; then
  "$tool" use "${TSM_DESCRIPTION:-$root/sim/machines/typical.xml}"
fi

# Installed by an earlier run: keep that installation.
if ! "$agent" -install 2>/dev/null; then
  echo "(keeping the service installed earlier)"
fi
"$agent" -start

page="http://127.0.0.1:2301/VXA/VXA.htm"
for _ in $(seq 1 120); do
  if curl -fsS -o /dev/null --max-time 30 "$page" 2>/dev/null; then
    echo "Management page:  $page"
    exit 0
  fi
  sleep 0.5
done
echo "The management page does not answer; see $TSM_MACHINE/service-output.log" >&2
exit 1
