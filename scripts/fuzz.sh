#!/usr/bin/env bash
# Builds every libFuzzer target with clang, AddressSanitizer and UndefinedBehaviorSanitizer
# into build-fuzz/ and runs each one for a bounded time (FUZZ_SECONDS, 60 by default).
# Exits non-zero when any target crashes or a sanitizer reports. The corpus grows in
# build-fuzz/corpus/<target>; seeds come from tests/fuzz/seeds/<target> when present;
# inputs that fail are kept in build-fuzz/artifacts/<target>/.
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${FUZZ_SECONDS:-60}

echo "== libFuzzer targets (clang, ASan + UBSan), ${seconds} s each"
TARGET=fuzzers bash scripts/build.sh build-fuzz -DCMAKE_CXX_COMPILER=clang++ \
  -DTRANDEL_FUZZ=ON -DTRANDEL_TESTS=OFF -DTRANDEL_BENCH=OFF

found=0
failed=()
for fuzzer in build-fuzz/fuzzers/*; do
  [ -f "$fuzzer" ] && [ -x "$fuzzer" ] || continue
  found=$((found + 1))
  name=$(basename "$fuzzer")
  corpus=build-fuzz/corpus/$name
  artifacts=build-fuzz/artifacts/$name/
  log=build-fuzz/$name.log
  mkdir -p "$corpus" "$artifacts"
  inputs=("$corpus")
  [ -d "tests/fuzz/seeds/$name" ] && inputs+=("tests/fuzz/seeds/$name")
  if ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
    "$fuzzer" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 \
    -artifact_prefix="$artifacts" "${inputs[@]}" >"$log" 2>&1; then
    echo "-- $name: $(grep -E '^Done [0-9]+ runs' "$log" || echo 'finished')"
  else
    echo "-- $name: FAILED (log: $log)"
    tail -n 60 "$log"
    failed+=("$name")
  fi
done

if [ "$found" -eq 0 ]; then
  echo "fuzz: no fuzz target was built in build-fuzz/fuzzers" >&2
  exit 1
fi
if [ ${#failed[@]} -gt 0 ]; then
  echo "fuzz: failed: ${failed[*]}" >&2
  exit 1
fi
