#!/usr/bin/env bash
# Builds the agent, installs it into an emulated machine with a simulated
# storage configuration, installs and starts it as a service, and shows where
# to look. TSM_MACHINE names the machine (default: ~/.local/state/tsm-machine);
# TSM_DESCRIPTION names the machine description (default: the typical machine).
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
cd "$root"
scripts/install-deps.sh
scripts/build.sh build

export TSM_MACHINE="${TSM_MACHINE:-${XDG_STATE_HOME:-$HOME/.local/state}/tsm-machine}"
prefix="$TSM_MACHINE/drive_c/Tarvion"
mkdir -p "$TSM_MACHINE/drive_c"
tool="build/tools/tsm-machine"

# Stop a service left running by an earlier run, so its files can be replaced.
if [ -x "$prefix/bin/vxa" ]; then
  "$prefix/bin/vxa" -stop || true
fi
cmake --install build --prefix "$prefix" >/dev/null

description="${TSM_DESCRIPTION:-$root/sim/machines/typical.xml}"
if [ -f "$description" ] && [ -x "$tool" ]; then
  "$tool" use "$description"
fi

"$prefix/bin/vxa" -install || true
"$prefix/bin/vxa" -start

echo
[ -x "$tool" ] && "$tool" services
echo
echo "Machine:          $TSM_MACHINE"
echo "Agent:            $prefix/bin/vxa  (C:\\Tarvion\\bin\\vxa)"
echo "Debug log:        $prefix/bin/vxa.log"
echo "Service trace:    $TSM_MACHINE/debug-output.log"
echo "Events:           $tool events"
echo "Management page:  http://127.0.0.1:2301/VXA/VXA.htm"
