#!/usr/bin/env bash
# run-rotation-test.sh <build folder> [seconds]: the shipped logrotate
# configuration (at a small size, keeping every file) run over and over while
# 16 clients load pages for [seconds] (default 20). Every line the agent wrote
# must be whole in exactly one of the files, the agent must go on writing at
# the start of each truncated file, and the lines lost between a copy and its
# truncation are counted against the agent's own writes (traced) and reported.
set -euo pipefail
here="$(cd "$(dirname "$0")" && pwd)"
root="$(cd "$here/../.." && pwd)"
build="$(cd "$1" && pwd)"
seconds="${2:-20}"
source "$here/agentmachine.sh"
enter_private_namespaces "$@"
for tool in logrotate wrk strace; do
  command -v "$tool" >/dev/null || { echo "SKIP: needs $tool"; exit 77; }
done

TSM_MACHINE="$(mktemp -d /tmp/tsm-rotation-XXXXXX)"
export TSM_MACHINE
tracer=""
finish() {
  [ -n "$tracer" ] && kill "$tracer" 2>/dev/null
  stop_agent
  rm -rf "$TSM_MACHINE"
}
trap finish EXIT
start_agent "$build"
log="$agent.log"
curl -fsS -o /dev/null --max-time 60 http://127.0.0.1:2301/VXA/VXA.htm

"$root/scripts/install-log-rotation.sh" "$TSM_MACHINE" "$TSM_MACHINE/etc" >/dev/null
config="$TSM_MACHINE/etc/logrotate.d/tarvion-storage-manager"
# Rotate at a small size and keep every file, so every line can be found again.
sed -i -e 's/^\( *\)size .*/\1size 256k/' -e 's/^\( *\)rotate .*/\1rotate 100000/' "$config"
grep -q copytruncate "$config" && grep -q compress "$config"

# Every line the agent writes is one write on the log's descriptor: trace them.
fd="$(find /proc/"$service"/fd -lname "$(readlink -f "$log")" -printf '%f\n' | head -1)"
[ -n "$fd" ] || { echo "FAIL: the agent has no open debug log" >&2; exit 1; }
linesBefore="$(wc -l <"$log")"
strace -f -qq -p "$service" -e trace=write,writev -e signal=none -e status=successful -s 0 \
  -o "$TSM_MACHINE/writes.trace" &
tracer=$!
for _ in $(seq 1 100); do
  [ "$(grep -c '^TracerPid:[[:space:]]*[1-9]' /proc/"$service"/status)" -eq 1 ] && break
  sleep 0.1
done
sleep 0.5 # every thread attached

wrk -t2 -c16 -d"${seconds}s" --timeout 60s http://127.0.0.1:2301/VXA/VXA.htm >"$TSM_MACHINE/wrk.txt" &
load=$!
rotations=0
while kill -0 "$load" 2>/dev/null; do
  logrotate --state "$TSM_MACHINE/logrotate.status" "$config"
  rotations=$((rotations + 1))
  sleep 0.2
done
wait "$load"
sleep 1
kill "$tracer"; wait "$tracer" 2>/dev/null || true; tracer=""
cat "$TSM_MACHINE/wrk.txt"

# Oldest file first.
python3 - "$log" "$fd" "$TSM_MACHINE/writes.trace" "$linesBefore" "$seconds" <<'PY'
import glob, gzip, re, sys
log, fd, trace, before, seconds = sys.argv[1], sys.argv[2], sys.argv[3], int(sys.argv[4]), float(sys.argv[5])
rotated = sorted(glob.glob(log + ".*.gz"), key=lambda p: -int(p[len(log) + 1:-3]))
stamp = re.compile(rb"^\[\d\d/\d\d/\d\d-\d\d:\d\d:\d\d\] [^\x00]*$")
found, bad = 0, []
for path in rotated + [log]:
    data = gzip.open(path).read() if path.endswith(".gz") else open(path, "rb").read()
    if data and not data.endswith(b"\n"):
        bad.append(f"{path}: does not end with a whole line")
    for n, line in enumerate(data.split(b"\n")[:-1]):
        if not stamp.match(line):
            bad.append(f"{path}:{n + 1}: {line[:100]!r}")
        found += 1
call = re.compile(r"^\d+ +writev?\(" + fd + r",")
written = before + sum(1 for line in open(trace) if call.match(line))
lost = written - found
print(f"{len(rotated)} rotations; {written} lines written, {found} found, {lost} lost in copy windows "
      f"({lost / max(1, len(rotated)):.1f} per rotation, {written / seconds:.0f} lines/s)")
for problem in bad[:10]:
    print("FAIL:", problem, file=sys.stderr)
ok = not bad and len(rotated) >= 3 and 0 <= lost
sys.exit(0 if ok else 1)
PY
