#!/usr/bin/env bash
# Builds the libFuzzer targets (the "fuzz" preset: clang, AddressSanitizer and
# UndefinedBehaviorSanitizer) and runs them.
#
#   scripts/fuzz.sh [SECONDS]          every target for SECONDS (default 15)
#   scripts/fuzz.sh --runs N           every target until N inputs have been executed
#   scripts/fuzz.sh --runs N --seconds S   until N inputs or S seconds, whichever comes first
#   ... --max-len N                    inputs of at most N bytes (default: each target's
#                                      own, below; libFuzzer's 4096 for the rest)
#   ... --jobs N                       N processes per target at once (default 1), sharing
#                                      its scratch corpus; --runs N is split between them
#   scripts/fuzz.sh --regress          only the seed corpora, each input once
#   ... [TARGET ...]                   only these targets (statement_preparation, ...)
#
# Every target first runs over its seed corpus (tests/fuzz/corpus/<target>) as a regression
# check, then fuzzes from the seeds and from what earlier runs found. New inputs go to
# build/fuzz/scratch/<target>, never into the source tree; inputs that fail a property or
# crash go to build/fuzz/findings/. Any finding makes the script fail. The runs are niced,
# one target at a time, so they leave the machine to whoever else builds on it.
set -euo pipefail
cd "$(dirname "$0")/.."

regress_only=false
seconds=
runs=
max_len=
jobs=1
targets=()
while [ $# -gt 0 ]; do
  case "$1" in
    --runs) runs="${2:?--runs needs a number}"; shift 2 ;;
    --seconds) seconds="${2:?--seconds needs a number}"; shift 2 ;;
    --max-len) max_len="${2:?--max-len needs a number}"; shift 2 ;;
    --jobs) jobs="${2:?--jobs needs a number}"; shift 2 ;;
    --regress) regress_only=true; shift ;;
    -h|--help) sed -n '2,20p' "$0"; exit 0 ;;
    [0-9]*) seconds="$1"; shift ;;
    *) targets+=("$1"); shift ;;
  esac
done
[ -n "$seconds$runs" ] || seconds=15
[[ "$jobs" =~ ^[1-9][0-9]*$ ]] || { echo "fuzz: --jobs needs a positive number" >&2; exit 2; }
limit=()
[ -z "$seconds" ] || limit+=(-max_total_time="$seconds")

all_targets=(statement_preparation script_statements syntax_edits sql_partitioner sql_parameters
             ini_document value_storage blob_reader connection_string)
[ ${#targets[@]} -gt 0 ] || targets=("${all_targets[@]}")

# The longest input worth trying, for the targets whose cost grows with the length: a script
# as long as the longest seed (2 kB), a statement with all its setter calls, and an initial
# text with all 200 edits. Longer inputs only repeat what these hold, at a multiple of the
# time per execution. A connection string of a kilobyte already holds more pairs, braces and
# spaces than any real one.
max_len_of() {
  case "$1" in
    script_statements) echo 2048 ;;
    sql_partitioner) echo 512 ;;
    syntax_edits) echo 1024 ;;
    connection_string) echo 1024 ;;
  esac
}

dictionary_of() {
  case "$1" in
    statement_preparation|script_statements|syntax_edits|sql_partitioner|sql_parameters)
      echo tests/fuzz/dict/sql.dict ;;
    ini_document) echo tests/fuzz/dict/ini.dict ;;
    value_storage) echo tests/fuzz/dict/value_storage.dict ;;
    connection_string) echo tests/fuzz/dict/connection_string.dict ;;
  esac
}

cmake --preset fuzz >/dev/null
cmake --build --preset fuzz

bin=build/fuzz/tests/fuzz
scratch=build/fuzz/scratch
findings=build/fuzz/findings
logs=build/fuzz/logs
mkdir -p "$scratch" "$findings" "$logs"

# One lane of a target: fuzzes until its share of --runs, or the time limit, is used up and
# leaves the number of executions in $logs/<target>.<lane>.count. A long run goes in
# processes of at most 250 000 executions each: a long-lived process slows down as the
# sanitizers' bookkeeping grows (one went from 860 to 100 executions a second in 40
# minutes). Each new process starts from the inputs found so far, its lane's and the
# others'. Fails on a finding, and then the other lanes stop after their current process.
fuzz_lane() {
  local lane=$1 share=$2 executions=0 executed segment left time_left
  local log="$logs/$target.$lane.log" count="$logs/$target.$lane.count"
  echo 0 >"$count"
  while [ ! -e "$lane_failed" ]; do
    segment=("${limit[@]}")
    if [ -n "$share" ]; then
      left=$((share - executions))
      [ "$left" -gt 0 ] || break
      segment=(-runs=$((left < 250000 ? left : 250000)))
      if [ -n "$seconds" ]; then
        time_left=$((seconds - (SECONDS - began)))
        [ "$time_left" -gt 0 ] || break
        segment+=(-max_total_time="$time_left")
      fi
    fi
    if ! nice -n 19 "$fuzzer" "${options[@]}" "${segment[@]}" "${length_option[@]}" \
        "$scratch/$target" "$seeds" >"$log" 2>&1; then
      echo "fuzz: $target found a failing input (see $log and $findings):" >&2
      grep -A12 -m1 'PROPERTY FAILED\|ERROR: \|runtime error' "$log" >&2 || tail -20 "$log" >&2
      touch "$lane_failed"
      return 1
    fi
    executed=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log")
    executions=$((executions + ${executed:-0}))
    echo "$executions" >"$count"
    [ -n "$share" ] && [ "${executed:-0}" -gt 0 ] || break
  done
}

failed=()
start_all=$SECONDS
printf '%-22s %12s %10s %8s\n' target executions exec/s seconds
for target in "${targets[@]}"; do
  fuzzer="$bin/fuzz_$target"
  seeds="tests/fuzz/corpus/$target"
  [ -x "$fuzzer" ] || { echo "fuzz: no target $target" >&2; exit 2; }
  log="$logs/$target.log"
  options=(-artifact_prefix="$findings/$target-" -timeout=30 -rss_limit_mb=2048
           -print_final_stats=1)
  dictionary=$(dictionary_of "$target")
  [ -z "$dictionary" ] || options+=(-dict="$dictionary")

  # The seeds, each once: inputs that once failed stay fixed.
  if ! nice -n 19 "$fuzzer" "${options[@]}" "$seeds"/* >"$log" 2>&1; then
    echo "fuzz: $target fails on its seed corpus (see $log):" >&2
    grep -A12 -m1 'PROPERTY FAILED\|ERROR: \|runtime error' "$log" >&2 || tail -20 "$log" >&2
    failed+=("$target")
    continue
  fi
  [ "$regress_only" = false ] || { printf '%-22s %12s\n' "$target" "seeds ok"; continue; }

  mkdir -p "$scratch/$target"
  length=${max_len:-$(max_len_of "$target")}
  length_option=()
  [ -z "$length" ] || length_option=(-max_len="$length")
  began=$SECONDS
  # Each process has its own log and tally, so that lanes on the same target do not
  # overwrite each other's; the first lane takes what does not divide evenly.
  lane_failed="$logs/$target.failed"
  rm -f "$lane_failed"
  lanes=()
  for ((lane = 1; lane <= jobs; lane++)); do
    share=
    [ -z "$runs" ] || share=$((runs / jobs + (lane == 1 ? runs % jobs : 0)))
    fuzz_lane "$lane" "$share" &
    lanes+=($!)
  done
  executions=0
  target_failed=false
  for ((lane = 1; lane <= jobs; lane++)); do
    wait "${lanes[lane - 1]}" || target_failed=true
    executions=$((executions + $(cat "$logs/$target.$lane.count" 2>/dev/null || echo 0)))
  done
  [ "$target_failed" = false ] || failed+=("$target")
  elapsed=$((SECONDS - began))
  printf '%-22s %12s %10s %8s\n' "$target" "$executions" \
    "$((executions / (elapsed > 0 ? elapsed : 1)))" "$elapsed"
done
echo "fuzz: ${#targets[@]} targets in $((SECONDS - start_all)) s"

if [ ${#failed[@]} -gt 0 ]; then
  echo "fuzz: FAILED: ${failed[*]}" >&2
  exit 1
fi
