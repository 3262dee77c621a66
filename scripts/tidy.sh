#!/usr/bin/env bash
# tidy.sh <build folder> [jobs]: runs clang-tidy with .clang-tidy over the
# product sources (not the tests, benchmarks or fuzz targets) through the
# build's compile_commands.json; fails on any finding.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
if [ $# -lt 1 ] || [ $# -gt 2 ] || [ ! -f "$1/compile_commands.json" ]; then
  echo "usage: $0 <build folder with compile_commands.json> [jobs]" >&2
  exit 2
fi
build="$(cd "$1" && pwd)"
jobs="${2:-$(nproc)}"
[[ "$jobs" =~ ^[1-9][0-9]*$ ]] || { echo "jobs must be a positive number: $jobs" >&2; exit 2; }
run-clang-tidy -p "$build" -j "$jobs" -quiet \
  "^$root/(app|common|soulmod|infomgrnt|xml|web|platform|qwex|sim|tools)/.*\.cpp$"
