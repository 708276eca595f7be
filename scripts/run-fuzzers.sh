#!/usr/bin/env bash
# Builds the libFuzzer targets with clang and runs each for a bounded time.
set -euo pipefail
seconds="${FUZZ_SECONDS:-20}"
cmake --preset fuzz >/dev/null
cmake --build build/fuzz -j2 --target fuzzers
failed=0
passed=0
for fuzzer in build/fuzz/bin/fuzz_*; do
  [ -x "$fuzzer" ] || continue
  name=$(basename "$fuzzer")
  corpus="build/fuzz/corpus/$name"
  mkdir -p "$corpus"
  # Real SPC files seed the tag reader, the example scripts the Script700 targets.
  seeds=()
  if [ "$name" = fuzz_spc_tags ] && [ -d ../shared/corpus/spc ]; then seeds=(../shared/corpus/spc); fi
  if [[ "$name" == fuzz_script700_* ]] && [ -d ../shared/corpus/script700 ]; then seeds=(../shared/corpus/script700); fi
  if "$fuzzer" -max_total_time="$seconds" -print_final_stats=1 -max_len=70000 "$corpus" "${seeds[@]}" >"build/fuzz/$name.log" 2>&1; then
    runs=$(grep -m1 'stat::number_of_executed_units' "build/fuzz/$name.log" | awk '{print $2}')
    echo "$name: ${runs:-?} executions in ${seconds}s, no failure"
    passed=$((passed + 1))
  else
    echo "$name: FAILED"; tail -30 "build/fuzz/$name.log"
    failed=$((failed + 1))
  fi
done
echo "fuzzing: $passed passed, $failed failed"
[ "$failed" -eq 0 ]
