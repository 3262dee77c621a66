#!/usr/bin/env bash
# format.sh [--check]: formats the tracked C++ sources with .clang-format, or
# with --check only reports the files that differ from it (exit 1 if any).
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
case "${1:-}" in
  "") mode=(-i) ;;
  --check) mode=(--dry-run -Werror) ;;
  *) echo "usage: $0 [--check]" >&2; exit 2 ;;
esac
[ $# -le 1 ] || { echo "usage: $0 [--check]" >&2; exit 2; }
cd "$root"
git ls-files -z '*.cpp' '*.h' | xargs -0 -P"$(nproc)" -n 16 clang-format --style=file "${mode[@]}"
