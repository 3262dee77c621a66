#!/usr/bin/env bash
# install-log-rotation.sh [machine root] [configuration root]: installs the
# logrotate configuration of the agent's growing files for the emulated
# machine at <machine root> (default $TSM_MACHINE, else /var/lib/tsm-machine)
# as <configuration root>/logrotate.d/tarvion-storage-manager, and the cron
# entry that checks their sizes every minute as
# <configuration root>/cron.d/tarvion-storage-manager (default root: /etc).
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
machine="${1:-${TSM_MACHINE:-/var/lib/tsm-machine}}"
etc="${2:-/etc}"
# logrotate and sed take the path as it is: only plain names are accepted.
if [[ ! "$machine" =~ ^/[A-Za-z0-9._/+-]+$ ]]; then
  echo "the machine root must be an absolute path of letters, digits and ._/+-: $machine" >&2
  exit 2
fi
mkdir -p "$etc/logrotate.d" "$etc/cron.d"
config="$etc/logrotate.d/tarvion-storage-manager"
sed "s|/var/lib/tsm-machine|${machine%/}|g" "$root/deploy/logrotate/tarvion-storage-manager" >"$config.new"
chmod 0644 "$config.new"
mv "$config.new" "$config"
sed "s|/etc/logrotate.d/|$etc/logrotate.d/|" "$root/deploy/logrotate/tarvion-storage-manager.cron" \
  >"$etc/cron.d/tarvion-storage-manager"
chmod 0644 "$etc/cron.d/tarvion-storage-manager"
echo "Installed $config and $etc/cron.d/tarvion-storage-manager"
