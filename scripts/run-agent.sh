#!/usr/bin/env bash
# Builds the agent, installs it into an emulated machine with a simulated
# storage configuration, installs and starts it as a service, and shows where
# to look. TSM_MACHINE names the machine (default: ~/.local/state/tsm-machine);
# TSM_DESCRIPTION names the machine description used when the machine has
# none yet (default: sim/machines/typical.xml).
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
cd "$root"
scripts/install-deps.sh
# Only what runs: the agent, its libraries, the simulator and the tools.
scripts/build.sh build -DTSM_TESTS=OFF -DTSM_BENCH=OFF

export TSM_MACHINE="${TSM_MACHINE:-${XDG_STATE_HOME:-$HOME/.local/state}/tsm-machine}"
prefix="$TSM_MACHINE/drive_c/Tarvion"
agent="$prefix/bin/vxa"
tool="$prefix/bin/tsm-machine"
mkdir -p "$TSM_MACHINE/drive_c"

# Stop a service left running by an earlier run, so its files can be replaced.
if [ -x "$agent" ]; then
  "$agent" -stop >/dev/null 2>&1 || true
fi
cmake --install build --prefix "$prefix" >/dev/null

if [ ! -f "$TSM_MACHINE/machine.xml" ]; then
  "$tool" use "${TSM_DESCRIPTION:-$root/sim/machines/typical.xml}"
fi

# Installed by an earlier run: keep that installation.
if ! "$agent" -install; then
  echo "(keeping the service installed earlier)"
fi
"$agent" -start

echo
"$tool" services
echo
echo "Machine:          $TSM_MACHINE"
echo "Agent:            $agent  (C:\\Tarvion\\bin\\vxa)"
echo "Debug log:        $agent.log"
echo "Service trace:    $TSM_MACHINE/debug-output.log   ($tool trace)"
echo "Service output:   $TSM_MACHINE/service-output.log"
echo "Events:           $tool events"
echo "Registry:         $tool registry"
echo "Stop it with:     TSM_MACHINE=$TSM_MACHINE $agent -stop"
echo "Management page:  http://127.0.0.1:2301/VXA/VXA.htm"
