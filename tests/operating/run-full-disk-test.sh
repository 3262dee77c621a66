#!/usr/bin/env bash
# run-full-disk-test.sh <build folder> [seconds]: the agent's machine on a
# file system of its own (a tmpfs in a private mount namespace) that is
# then filled up while 16 clients load pages for [seconds] (default 5). Every
# page must still be answered and the service must go on running; once the
# space is freed the debug log resumes, saying how many lines it lost, and
# every line before and after is whole.
set -euo pipefail
source "$(dirname "$0")/agentmachine.sh"
check_arguments 2 "<build folder> [seconds]" "$@"
build="$(cd "$1" && pwd)"
seconds="${2:-5}"
enter_private_namespaces "$@"
command -v wrk >/dev/null || { echo "SKIP: needs wrk"; exit 77; }

TSM_MACHINE="$(mktemp -d /tmp/tsm-fulldisk-XXXXXX)"
export TSM_MACHINE
mount -t tmpfs -o size=2g,mode=0755 tsm-fulldisk "$TSM_MACHINE"
finish() {
  stop_agent
  umount "$TSM_MACHINE" 2>/dev/null || umount -l "$TSM_MACHINE"
  rmdir "$TSM_MACHINE"
}
trap finish EXIT
start_agent "$build"
log="$agent.log"
access="$TSM_MACHINE/drive_c/qwex/access.log"
failed=0
fail() { echo "FAIL: $*" >&2; failed=1; }

# Fill what is left of the file system.
dd if=/dev/zero of="$TSM_MACHINE/filler" bs=1M status=none 2>/dev/null || true
cat /dev/zero >>"$TSM_MACHINE/filler" 2>/dev/null || true
[ "$(df --output=avail -B1 "$TSM_MACHINE" | tail -1)" -lt 4096 ] || fail "the file system did not fill"
before="$(stat -c %s "$log")"
read -r requests bad < <(load_pages 16 "$seconds")
echo "full disk: $requests pages answered, $bad failed; debug log $before -> $(stat -c %s "$log") bytes"
[ "$requests" -gt 0 ] && [ "$bad" -eq 0 ] || fail "pages were not answered on a full disk"
kill -0 "$service" 2>/dev/null || fail "the service ended"
[ "$(stat -c %s "$log")" -le $((before + 4096)) ] || fail "the debug log grew on a full disk"

# Room again: the next page is logged.
rm "$TSM_MACHINE/filler"
accessBefore="$(stat -c %s "$access")"
curl -fsS -o /dev/null --max-time 60 http://127.0.0.1:2301/VXA/VXA.htm || fail "no page after the disk had room"
grep -q "Debug log: [1-9][0-9]* lines could not be written" "$log" || fail "the debug log did not resume"
[ "$(grep -c "lines could not be written" "$log")" -eq 1 ] || fail "the debug log told of its lost lines more than once"
for _ in $(seq 1 50); do
  [ "$(stat -c %s "$access")" -gt "$accessBefore" ] && break
  sleep 0.1
done
[ "$(stat -c %s "$access")" -gt "$accessBefore" ] || fail "the access log did not resume"
grep -h "lines could not be written" "$log"

# Every line has its stamp, but for the one a failed write cut short, which
# the notice's newline ends (or an empty line, when nothing was cut).
python3 - "$log" <<'PY' || fail "the debug log holds broken lines"
import re, sys
lines = open(sys.argv[1], "rb").read().split(b"\n")
stamp = re.compile(rb"^\[\d\d/\d\d/\d\d-\d\d:\d\d:\d\d\] ")
broken = [n for n, line in enumerate(lines[:-1]) if not stamp.match(line)
          and not (n + 1 < len(lines) and b"lines could not be written" in lines[n + 1])]
for n in broken[:5]:
    print(f"line {n + 1}: {lines[n][:120]!r}", file=sys.stderr)
sys.exit(1 if broken or lines[-1] != b"" else 0)
PY
"$agent" -stop >/dev/null || fail "the service did not stop"
grep -q Sanitizer "$TSM_MACHINE/service-output.log" && fail "sanitizer report"
exit $failed
