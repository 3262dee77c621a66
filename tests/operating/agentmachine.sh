# Sourced by the operating tests: private namespaces, an agent installed and
# started in a fresh machine, and its service process.

root="$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)"

# check_arguments <most> <usage> "$@": a build folder first and at most <most>
# arguments in all, or the usage on standard error and exit 2.
check_arguments() {
  local most="$1" usage="$2"
  shift 2
  if [ $# -lt 1 ] || [ $# -gt "$most" ] || [ ! -d "$1" ]; then
    echo "usage: $(basename "$0") $usage" >&2
    exit 2
  fi
}

# Runs the calling script again in private network and mount namespaces, so
# that its servers and file systems touch nobody else's; skips (77) unless
# root, since only root may make them.
enter_private_namespaces() {
  if [ -z "${TSM_PRIVATE_NAMESPACES:-}" ]; then
    if [ "$(id -u)" -ne 0 ] || ! command -v unshare >/dev/null 2>&1; then
      echo "SKIP: needs root and unshare for private namespaces"
      exit 77
    fi
    TSM_PRIVATE_NAMESPACES=1 exec unshare --mount --net "$0" "$@"
  fi
  ip link set lo up
}

# Installs the agent of the build folder $1 into $TSM_MACHINE and starts it.
start_agent() {
  agent="$TSM_MACHINE/drive_c/Tarvion/bin/vxa"
  TSM_DESCRIPTION="$root/sim/machines/typical.xml" "$root/scripts/start-agent.sh" "$1" >/dev/null
  service=""
  for exe in /proc/[0-9]*/exe; do
    if [ "$(readlink "$exe" 2>/dev/null)" = "$(readlink -f "$agent")" ]; then
      service="${exe#/proc/}"; service="${service%/exe}"
    fi
  done
  [ -n "$service" ] || { echo "FAIL: no service process" >&2; exit 1; }
}

stop_agent() {
  "$agent" -stop >/dev/null 2>&1 || true
  "$agent" -uninstall >/dev/null 2>&1 || true
}

# wrk with $1 clients for $2 seconds on the management page: prints the
# requests answered and the failed ones (non-2xx, socket errors).
load_pages() {
  local out
  out="$(wrk -t2 -c"$1" -d"$2"s --timeout 60s http://127.0.0.1:2301/VXA/VXA.htm)"
  echo "$out" | awk '/requests in/ { requests = $1 }
                     /Non-2xx/ { bad += $NF }
                     /Socket errors/ { gsub(",", ""); bad += $4 + $6 + $8 + $10 }
                     END { print requests + 0, bad + 0 }'
}
