#!/usr/bin/env bash
# coverage.sh [build folder]: builds the whole suite with gcc --coverage, runs
# it, and prints line and branch coverage per folder of the product code. The
# HTML report lands in <build folder>/coverage/index.html. Counters are updated
# atomically: threaded tests would otherwise leave counts gcovr refuses.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
dir="$(realpath -m "${1:-$root/build-coverage}")"
cmake -S "$root" -B "$dir" -DCMAKE_BUILD_TYPE=Debug -DTSM_BENCH=OFF \
  -DCMAKE_C_FLAGS="--coverage -fprofile-update=atomic" -DCMAKE_CXX_FLAGS="--coverage -fprofile-update=atomic" \
  -DCMAKE_EXE_LINKER_FLAGS=--coverage -DCMAKE_SHARED_LINKER_FLAGS=--coverage >/dev/null
cmake --build "$dir" -j"$(nproc)"
find "$dir" -name '*.gcda' -delete
start=$(date +%s)
ctest --test-dir "$dir" -j"$(nproc)" --timeout 900 >"$dir/ctest.log" 2>&1 || {
  tail -30 "$dir/ctest.log"; exit 1; }
echo "ctest: $(( $(date +%s) - start )) s"

mkdir -p "$dir/coverage"
gcovr -r "$root" "$dir" -j"$(nproc)" \
  --exclude '.*/tests/.*' --exclude '.*/fuzz/.*' --exclude '.*/bench/.*' --exclude "$dir/.*" \
  --exclude-unreachable-branches --exclude-throw-branches \
  --json-summary "$dir/coverage/summary.json" \
  --html-details "$dir/coverage/index.html" >/dev/null

python3 - "$dir/coverage/summary.json" <<'PY'
import json, sys
folders = ["platform", "common", "soulmod", "infomgrnt", "sim", "app", "tools",
           "xml", "web", "qwex"]
sums = {f: [0, 0, 0, 0] for f in folders}
for entry in json.load(open(sys.argv[1]))["files"]:
    top = entry["filename"].split("/")[0]
    if top in sums:
        s = sums[top]
        s[0] += entry["line_covered"]; s[1] += entry["line_total"]
        s[2] += entry["branch_covered"]; s[3] += entry["branch_total"]
print(f"{'folder':<10} {'lines':>16} {'branches':>16}")
for f, (lc, lt, bc, bt) in sums.items():
    if lt:
        print(f"{f:<10} {100*lc/lt:6.1f}% {lc:4}/{lt:<5} {100*bc/max(bt,1):6.1f}% {bc:4}/{bt:<5}")
PY
