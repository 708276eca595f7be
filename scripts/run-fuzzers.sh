#!/usr/bin/env bash
# Builds the libFuzzer targets with clang and runs each, FUZZ_JOBS of them
# side by side: FUZZ_SECONDS each (20 by default), or, with FUZZ_HOURS, as
# long as lets all of them finish within that many hours.
# Each keeps its corpus in build/fuzz/corpus/NAME (runs build on it); a
# failing input lands in build/fuzz/findings/NAME/, its log in build/fuzz/NAME.log.
set -euo pipefail
jobs="${FUZZ_JOBS:-2}"
cmake --preset fuzz >/dev/null
cmake --build build/fuzz -j2 --target fuzzers

fuzzers=()
for fuzzer in build/fuzz/bin/fuzz_*; do
  [ -x "$fuzzer" ] || continue
  fuzzers+=("$fuzzer")
  rm -f "build/fuzz/$(basename "$fuzzer").verdict"
done
rounds=$(((${#fuzzers[@]} + jobs - 1) / jobs))
if [ -n "${FUZZ_HOURS:-}" ]; then
  seconds=$(awk -v h="$FUZZ_HOURS" -v r="$rounds" 'BEGIN { printf "%d", h * 3600 / r }')
else
  seconds="${FUZZ_SECONDS:-20}"
fi

# Runs one fuzzer with its own arguments (bin/NAME.args: input length,
# dictionary, seed folders); its verdict goes to build/fuzz/NAME.verdict.
run_one() {
  local fuzzer="$1" name corpus findings log args done_line
  name=$(basename "$fuzzer")
  corpus="build/fuzz/corpus/$name"
  findings="build/fuzz/findings/$name"
  log="build/fuzz/$name.log"
  mkdir -p "$corpus" "$findings"
  mapfile -t args <"$fuzzer.args"
  if "$fuzzer" -max_total_time="$seconds" -print_final_stats=1 -artifact_prefix="$findings/" \
    "$corpus" "${args[@]}" >"$log" 2>&1; then
    done_line=$(grep -m1 'DONE  ' "$log" || true)
    echo "$name: $(grep -m1 'stat::number_of_executed_units' "$log" | awk '{print $2}') executions in ${seconds}s," \
      "$(grep -o 'cov: [0-9]* ft: [0-9]*' <<<"$done_line"), no failure" >"build/fuzz/$name.verdict"
  else
    echo "$name: FAILED, input in $findings/" >"build/fuzz/$name.verdict"
  fi
}

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
