#!/usr/bin/env bash
# Builds the agent, installs it into an emulated machine with a simulated
# storage configuration and the example peer web applications, installs and
# starts it as a service, waits until the management page answers and prints
# its address. TSM_MACHINE names the machine (default:
# ~/.local/state/tsm-machine); TSM_DESCRIPTION names the machine description
# used when the machine has none yet (default: sim/machines/typical.xml).
# scripts/stop-agent.sh stops and uninstalls it again.
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
scripts/start-agent.sh build

echo
"$tool" services
echo
echo "Machine:          $TSM_MACHINE"
echo "Agent:            $agent  (C:\\Tarvion\\bin\\vxa)"
echo "Debug log:        $agent.log"
echo "Service trace:    $TSM_MACHINE/debug-output.log   ($tool trace)"
echo "Service output:   $TSM_MACHINE/service-output.log"
echo "Web applications: $TSM_MACHINE/drive_c/qwex/webapps"
echo "Events:           $tool events"
echo "Registry:         $tool registry"
echo "Stop it with:     scripts/stop-agent.sh   (TSM_MACHINE=$TSM_MACHINE)"
echo
echo "Management page:  http://127.0.0.1:2301/VXA/VXA.htm"
echo "             and  https://127.0.0.1:2381/VXA/VXA.htm"
