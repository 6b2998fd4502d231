#!/usr/bin/env bash
# Builds the fuzz targets with clang's libFuzzer and runs each for a bounded
# time: FUZZ_SECONDS each (default 30). The corpus each run grows is kept in
# the build folder; the seeds in tests/fuzz/ are only read. A crash stops the
# run and names the input, which belongs in tests/fuzz/<target>/ from then on.
set -euo pipefail
cd "$(dirname "$0")/.."
build=${BUILD_FUZZ:-build-fuzz}
seconds=${FUZZ_SECONDS:-30}

CC=clang CXX=clang++ cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DTARNEL_FUZZ=ON >/dev/null
cmake --build "$build" -j "$(nproc)" --target tarnel_fuzz_targets

for seeds in tests/fuzz/*/; do
  name=$(basename "$seeds")
  corpus="$build/fuzz-corpus/$name"
  artifacts="$build/fuzz-crashes/$name"
  mkdir -p "$corpus" "$artifacts"
  echo "fuzz: $name for ${seconds} s"
  if ! "$build/tests/fuzz/fuzz_$name" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 \
         -print_final_stats=1 -artifact_prefix="$artifacts/" "$corpus" "$seeds" 2>"$build/fuzz-$name.log"; then
    tail -n 40 "$build/fuzz-$name.log"
    echo "fuzz: $name failed; the input is in $artifacts/ - add it to $seeds as a regression case" >&2
    exit 1
  fi
  grep -E '^stat::number_of_executed_units' "$build/fuzz-$name.log" | sed "s/^/fuzz: $name /"
done
