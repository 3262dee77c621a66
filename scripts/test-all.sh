#!/usr/bin/env bash
# Runs the whole test suite: a check of the sources' format, a plain build (then
# clang-tidy over its compile commands) and an AddressSanitizer +
# UndefinedBehaviorSanitizer build, both with warnings as errors (each runs the
# browser test of the management page), a check of the alert rules, the
# concurrency tests in a ThreadSanitizer build, a short load on the installed
# service, then a short libFuzzer run of every fuzz target.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
cd "$root"
scripts/install-deps.sh

jobs="$(nproc)"
export CTEST_OUTPUT_ON_FAILURE=1

echo "== format of the tracked sources =="
scripts/format.sh --check

echo "== plain build =="
scripts/build.sh build-ci/plain -DTSM_WERROR=ON
ctest --test-dir build-ci/plain -j"$jobs" --timeout 600

echo "== clang-tidy on the plain build's compile commands =="
scripts/tidy.sh build-ci/plain "$jobs"

echo "== AddressSanitizer + UndefinedBehaviorSanitizer build =="
export ASAN_OPTIONS=detect_leaks=1:abort_on_error=0
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
scripts/build.sh build-ci/asan -DTSM_WERROR=ON -DTSM_SANITIZE=address,undefined -DTSM_BENCH=OFF
ctest --test-dir build-ci/asan -j"$jobs" --timeout 900

echo "== alert rules, scrape job and route =="
# The files an operator copies, each on its own; the drive tests of both
# builds replay the scenarios of sim/scenarios through promtool test rules,
# and their fleet tests (ctest -L fleet) run all three on the real engines.
promtool check rules monitoring/tsm-alerts.yml
promtool check config monitoring/prometheus-scrape.yml
amtool check-config monitoring/alertmanager.yml

echo "== ThreadSanitizer: the tests where threads meet =="
# Overlapping page requests (also with faults and a kill in flight), the
# server's own concurrency and shutdown during requests, concurrent debug-log
# writers, the service framework and the service manager.
cmake -S . -B build-ci/tsan -DCMAKE_BUILD_TYPE=RelWithDebInfo -DTSM_WERROR=ON -DTSM_SANITIZE=thread \
  -DTSM_BENCH=OFF >/dev/null
cmake --build build-ci/tsan -j"$jobs" --target web_tests vxa tsmsim ZyrQWEX qwex_tests common_tests \
  platform_tests service_probe
export TSAN_OPTIONS="halt_on_error=1 second_deadlock_stack=1"
tsan() { local test="$1"; shift; echo "-- $test $*"; "build-ci/tsan/tests/$test" "$@"; }
tsan web/web_tests --gtest_filter='Page.SixteenConcurrentRequestsGetSixteenCompletePages:Faults.Controller*:Faults.Killed*'
tsan qwex/qwex_tests --gtest_filter='QwexConcurrency.*:QwexLimits.*'
tsan common/common_tests --gtest_filter='DebugLogFile.ConcurrentWritersNeverSplitALine:ServiceFramework.*'
tsan platform/platform_tests --gtest_filter='Scm.*:Events.*'
unset TSAN_OPTIONS

echo "== load: 64 clients on the management page for ${TSM_LOAD_SECONDS:-45} s =="
# The load holds the loopback ports: other users of them wait for the lock.
# Under 64 clients the allocator's arenas fill for the first 100 000 pages or
# so (about 44 MB to 54 MB resident, then flat); the warm-up runs past that,
# so that what is measured is growth, not the arenas filling.
(
  flock 9
  TSM_LOAD_WARMUP="${TSM_LOAD_WARMUP:-60}" scripts/load-test.sh build-ci/plain "${TSM_LOAD_SECONDS:-45}" 64
) 9>/tmp/tsm-ports.lock

echo "== fuzz targets (libFuzzer, ${TSM_FUZZ_SECONDS:-20} s each) =="
cmake -S . -B build-ci/fuzz -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ \
  -DTSM_FUZZ=ON -DTSM_SANITIZE=address,undefined -DTSM_BENCH=OFF -DTSM_TESTS=OFF >/dev/null
cmake --build build-ci/fuzz -j"$jobs" --target fuzzers
scripts/run-fuzzers.sh build-ci/fuzz "${TSM_FUZZ_SECONDS:-20}"

echo "All tests passed."
