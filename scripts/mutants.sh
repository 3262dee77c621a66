#!/usr/bin/env bash
# mutants.sh [--seed S] [--count N] [--only FOLDER] [--jobs J]: a repeatable
# random sample of small faults in the product code, each built and run
# against the tests that depend on it (scripts/mutants.py, which says how).
set -euo pipefail
exec python3 "$(dirname "$0")/mutants.py" "$@"
