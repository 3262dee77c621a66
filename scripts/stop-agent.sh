#!/usr/bin/env bash
# Stops the agent's service in the emulated machine $TSM_MACHINE (default:
# ~/.local/state/tsm-machine) and uninstalls it; the machine's files stay.
set -euo pipefail
export TSM_MACHINE="${TSM_MACHINE:-${XDG_STATE_HOME:-$HOME/.local/state}/tsm-machine}"
agent="$TSM_MACHINE/drive_c/Tarvion/bin/vxa"
if [ ! -x "$agent" ]; then
  echo "No agent installed in $TSM_MACHINE"
  exit 0
fi
"$agent" -stop || true
"$agent" -uninstall
