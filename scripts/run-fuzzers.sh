#!/usr/bin/env bash
# Builds the libFuzzer targets with clang and runs each for a bounded time,
# FUZZ_JOBS of them side by side.
set -euo pipefail
seconds="${FUZZ_SECONDS:-20}"
jobs="${FUZZ_JOBS:-2}"
cmake --preset fuzz >/dev/null
cmake --build build/fuzz -j2 --target fuzzers

# Runs one fuzzer; its verdict goes to build/fuzz/NAME.verdict, its log beside it.
run_one() {
  local fuzzer="$1" name corpus runs
  name=$(basename "$fuzzer")
  corpus="build/fuzz/corpus/$name"
  mkdir -p "$corpus"
  # Real SPC files seed the tag reader, the example scripts the Script700 targets.
  local seeds=()
  if [ "$name" = fuzz_spc_tags ] && [ -d ../shared/corpus/spc ]; then seeds=(../shared/corpus/spc); fi
  if [[ "$name" == fuzz_script700_* ]] && [ -d ../shared/corpus/script700 ]; then seeds=(../shared/corpus/script700); fi
  if "$fuzzer" -max_total_time="$seconds" -print_final_stats=1 -max_len=70000 "$corpus" "${seeds[@]}" >"build/fuzz/$name.log" 2>&1; then
    runs=$(grep -m1 'stat::number_of_executed_units' "build/fuzz/$name.log" | awk '{print $2}' || true)
    echo "$name: ${runs:-?} executions in ${seconds}s, no failure" >"build/fuzz/$name.verdict"
  else
    echo "$name: FAILED" >"build/fuzz/$name.verdict"
  fi
}

fuzzers=()
for fuzzer in build/fuzz/bin/fuzz_*; do
  [ -x "$fuzzer" ] || continue
  fuzzers+=("$fuzzer")
  rm -f "build/fuzz/$(basename "$fuzzer").verdict"
done
for ((i = 0; i < ${#fuzzers[@]}; i += jobs)); do
  for fuzzer in "${fuzzers[@]:i:jobs}"; do run_one "$fuzzer" & done
  wait
done

failed=0
passed=0
for fuzzer in "${fuzzers[@]}"; do
  name=$(basename "$fuzzer")
  verdict="build/fuzz/$name.verdict"
  [ -s "$verdict" ] || echo "$name: FAILED (no verdict)" >"$verdict"
  cat "$verdict"
  if grep -q FAILED "$verdict"; then
    tail -30 "build/fuzz/$name.log"
    failed=$((failed + 1))
  else
    passed=$((passed + 1))
  fi
done
echo "fuzzing: $passed passed, $failed failed"
[ "$failed" -eq 0 ]
