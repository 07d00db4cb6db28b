#!/usr/bin/env bash
# Sets up, builds and runs every test: a normal build, an AddressSanitizer + UndefinedBehavior-
# Sanitizer build, a ThreadSanitizer build of the programs that start threads, and a short run
# of each fuzzing harness. Exits non-zero on any failure.
# Usage: scripts/test.sh [--quick]   (--quick: the normal build's tests only)
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/setup.sh -DQEL_WERROR=ON
jobs=$(nproc)

run_ctest() {
  (cd "$1" && ctest --output-on-failure -j "$jobs")
}

echo "== tests (normal build)"
run_ctest build
echo "== installed library used by an outside program"
scripts/check-install.sh
[[ "${1:-}" == "--quick" ]] && exit 0

echo "== tests (address and undefined-behaviour sanitizers)"
cmake -S . -B build-asan -G Ninja -DCMAKE_BUILD_TYPE=Debug -DQEL_WERROR=ON \
  -DQEL_SANITIZE=address,undefined -DQEL_BUILD_BENCH=OFF >/dev/null
cmake --build build-asan
ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 UBSAN_OPTIONS=print_stacktrace=1 run_ctest build-asan

echo "== tests that start threads (thread sanitizer)"
cmake -S . -B build-tsan -G Ninja -DCMAKE_BUILD_TYPE=Debug -DQEL_WERROR=ON \
  -DQEL_SANITIZE=thread -DQEL_TEST_ONLY_LABEL=threads -DQEL_BUILD_BENCH=OFF >/dev/null
cmake --build build-tsan
TSAN_OPTIONS=halt_on_error=1 run_ctest build-tsan

echo "== fuzzing harnesses (short runs)"
scripts/fuzz.sh 20
