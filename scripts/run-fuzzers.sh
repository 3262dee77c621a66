#!/usr/bin/env bash
# run-fuzzers.sh <build folder> <seconds>: runs every libFuzzer target of the
# build for the given time, starting from its checked-in corpus.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
if [ $# -ne 2 ] || [ ! -d "$1" ] || [[ ! "$2" =~ ^[1-9][0-9]*$ ]]; then
  echo "usage: $0 <build folder> <seconds>" >&2
  exit 2
fi
build="$1"; seconds="$2"
status=0
while IFS= read -r target; do
  name="$(basename "$target")"
  corpus="$(find "$root/fuzz" -type d -path "*/corpus/$name" | head -n 1)"
  work="$(mktemp -d)"
  [ -n "$corpus" ] && cp -r "$corpus/." "$work/"
  echo "-- $name"
  if ! "$target" -max_total_time="$seconds" -rss_limit_mb=2048 -print_final_stats=0 "$work" >"$work.log" 2>&1; then
    tail -n 40 "$work.log"
    status=1
  fi
  # libFuzzer's closing line: how many inputs were tried.
  grep -h "^Done [0-9]* runs" "$work.log" || true
  rm -rf "$work" "$work.log"
done < <(find "$build/fuzz" -type f -executable -name 'fuzz_*' | sort)
exit $status
