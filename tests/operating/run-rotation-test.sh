#!/usr/bin/env bash
# run-rotation-test.sh <build folder> [seconds]: the shipped logrotate
# configuration (at a small size, keeping every file) run over and over while
# 16 clients load pages for [seconds] (default 20). Every line the agent wrote
# must be whole in exactly one of the files, the agent must go on writing at
# the start of each truncated file, and the lines lost between a copy and its
# truncation are counted and reported. Every refresh of the typical machine
# writes the same lines and makes the same device calls, so the packet
# capture's length tells how many lines the agent wrote.
set -euo pipefail
source "$(dirname "$0")/agentmachine.sh"
check_arguments 2 "<build folder> [seconds]" "$@"
build="$(cd "$1" && pwd)"
seconds="${2:-20}"
enter_private_namespaces "$@"
for tool in logrotate wrk; do
  command -v "$tool" >/dev/null || { echo "SKIP: needs $tool"; exit 77; }
done

TSM_MACHINE="$(mktemp -d /tmp/tsm-rotation-XXXXXX)"
export TSM_MACHINE
export SIM_CAPTURE="$TSM_MACHINE/capture.jsonl"
finish() {
  stop_agent
  rm -rf "$TSM_MACHINE"
}
trap finish EXIT
start_agent "$build"
log="$agent.log"

"$root/scripts/install-log-rotation.sh" "$TSM_MACHINE" "$TSM_MACHINE/etc" >/dev/null
config="$TSM_MACHINE/etc/logrotate.d/tarvion-storage-manager"
# Rotate at a small size and keep every file, so every line can be found again.
sed -i -e 's/^\( *\)size .*/\1size 256k/' -e 's/^\( *\)rotate .*/\1rotate 100000/' "$config"
grep -q copytruncate "$config" && grep -q compress "$config"

# What one page adds to the debug log and to the capture.
lines() { wc -l <"$1"; }
linesBefore="$(lines "$log")"; callsBefore="$(lines "$SIM_CAPTURE")"
curl -fsS -o /dev/null --max-time 60 http://127.0.0.1:2301/VXA/VXA.htm
linesPerRefresh=$(( $(lines "$log") - linesBefore )); callsPerRefresh=$(( $(lines "$SIM_CAPTURE") - callsBefore ))
linesBefore="$(lines "$log")"; callsBefore="$(lines "$SIM_CAPTURE")"

wrk -t2 -c16 -d"${seconds}s" --timeout 60s http://127.0.0.1:2301/VXA/VXA.htm >"$TSM_MACHINE/wrk.txt" &
load=$!
while kill -0 "$load" 2>/dev/null; do
  logrotate --state "$TSM_MACHINE/logrotate.status" "$config"
  sleep 0.2
done
wait "$load"
"$agent" -stop >/dev/null
calls=$(( $(lines "$SIM_CAPTURE") - callsBefore ))
[ $((calls % callsPerRefresh)) -eq 0 ] || { echo "FAIL: refreshes differ: $calls calls" >&2; exit 1; }
written=$(( linesBefore + calls / callsPerRefresh * linesPerRefresh ))
grep "requests in" "$TSM_MACHINE/wrk.txt"

python3 - "$log" "$written" "$seconds" "$linesPerRefresh" <<'PY'
import glob, gzip, re, sys
log, written, seconds, perRefresh = sys.argv[1], int(sys.argv[2]), float(sys.argv[3]), int(sys.argv[4])
# Oldest file first.
rotated = sorted(glob.glob(log + ".*.gz"), key=lambda p: -int(p[len(log) + 1:-3]))
stamp = re.compile(rb"^\[\d\d/\d\d/\d\d-\d\d:\d\d:\d\d\] [^\x00]*$")
found, bad, texts = 0, [], []
for path in rotated + [log]:
    data = gzip.open(path).read() if path.endswith(".gz") else open(path, "rb").read()
    if data and not data.endswith(b"\n"):
        bad.append(f"{path}: does not end with a whole line")
    for n, line in enumerate(data.split(b"\n")[:-1]):
        if not stamp.match(line):
            bad.append(f"{path}:{n + 1}: {line[:100]!r}")
        found += 1
    texts.append([line[20:] for line in data.split(b"\n")[:-1]])
lost = written - found

# Each window's loss: after the first refresh (which discovers everything
# anew) the log is one refresh's lines over and over, so where each file
# starts within that cycle tells how many lines the window before it
# swallowed, modulo one refresh: files whose lines are all there, in order.
# The oldest file starts with the first refresh.
cycle = texts[0][perRefresh:2 * perRefresh]
def phase(lines):
    probe = lines[:2 * perRefresh]
    return next((s for s in range(perRefresh)
                 if all(m == cycle[(s + i) % perRefresh] for i, m in enumerate(probe))), None)
phases = [0] + [phase(lines) for lines in texts[1:]]
windows = [(phases[k] - phases[k - 1] - len(texts[k - 1])) % perRefresh
           for k in range(1, len(texts)) if phases[k] is not None and phases[k - 1] is not None]
if None in phases or (lost - sum(windows)) % perRefresh:
    bad.append(f"the files are not the refreshes' lines in order less the windows: {phases} {windows}")
rate = written / seconds
window = lost / max(1, len(rotated)) / rate
print(f"{len(rotated)} rotations; {perRefresh} lines a refresh; {written} lines written, {found} found, "
      f"{lost} lost in copy windows: {lost / max(1, len(rotated)):.0f} per rotation, the lines of "
      f"{window * 1000:.0f} ms at {rate:.0f} lines/s (each window modulo one refresh: "
      f"{' '.join(map(str, windows))})")
for problem in bad[:10]:
    print("FAIL:", problem, file=sys.stderr)
# logrotate copies 256 KiB, syncs the copy and truncates: well under a second.
# Two rotations at least: gzip of a copy grown under load takes seconds on a
# busy machine, and the loop runs one logrotate at a time.
if len(rotated) < 2:
    print(f"FAIL: {len(rotated)} rotations", file=sys.stderr)
ok = not bad and len(rotated) >= 2 and 0 <= lost and window < 0.5
sys.exit(0 if ok else 1)
PY
