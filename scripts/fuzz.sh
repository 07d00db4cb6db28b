#!/usr/bin/env bash
# Builds the libFuzzer harnesses with clang and runs each for the given number of seconds
# (default 60) from its seed corpus. Usage: scripts/fuzz.sh [seconds]
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-60}

CC=clang CXX=clang++ cmake -S . -B build-fuzz -G Ninja -DCMAKE_BUILD_TYPE=Debug \
  -DQEL_BUILD_FUZZ=ON -DQEL_BUILD_TESTS=OFF -DQEL_BUILD_BENCH=OFF >/dev/null
cmake --build build-fuzz

# The shared sample corpus beside the checkout seeds the parsers of PIM data when it is there.
corpus=${QEL_CORPUS_DIR:-../shared/corpus}
declare -A shared_seeds=([vcards]=vcard [vcalendars]=vcalendar [vmessages]=vmessage [vnotes]=vnote
                         [quoted_printable]=vcard)

shopt -s nullglob
for harness in build-fuzz/bin/fuzz_*; do
  name=${harness##*/fuzz_}
  work=build-fuzz/corpus/$name
  mkdir -p "$work"
  seeds=("$work")
  [[ -d fuzz/corpus/$name ]] && seeds+=("fuzz/corpus/$name")
  if [[ -n ${shared_seeds[$name]:-} && -d $corpus/${shared_seeds[$name]} ]]; then
    seeds+=("$corpus/${shared_seeds[$name]}")
  fi
  echo "fuzz $name for ${seconds}s"
  "$harness" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 -print_final_stats=0 \
    "${seeds[@]}" 2>"build-fuzz/$name.log" || { tail -n 60 "build-fuzz/$name.log"; exit 1; }
done
