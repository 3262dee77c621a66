#!/usr/bin/env bash
# build.sh <build folder> [cmake options...]: configures and builds the project.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
if [ $# -lt 1 ] || [ -z "$1" ]; then
  echo "usage: $0 <build folder> [cmake options...]" >&2
  exit 2
fi
dir="$1"; shift
cmake -S "$root" -B "$dir" -DCMAKE_BUILD_TYPE=RelWithDebInfo "$@" >/dev/null
cmake --build "$dir" -j"$(nproc)"
