#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Runs one fuzz target for a fixed number of inputs, starting from a scratch
# copy of its seed corpus (the committed corpus never grows by itself), and
# prints libFuzzer's closing figures. A crash, a sanitizer report or a broken
# property ends libFuzzer with a non-zero status and fails the run; the
# offending input is kept in the scratch folder and its log is printed.
#
# Usage: run-fuzzer.sh TARGET SEED_CORPUS SCRATCH_DIR RUNS
set -euo pipefail

target="$1"
seeds="$2"
scratch="$3"
runs="$4"

rm -rf "$scratch"
mkdir -p "$scratch/corpus" "$scratch/artifacts"
cp "$seeds"/* "$scratch/corpus/"
log="$scratch/fuzz.log"

status=0
"$target" "$scratch/corpus" \
    -runs="$runs" -seed=1 -print_final_stats=1 \
    -artifact_prefix="$scratch/artifacts/" >"$log" 2>&1 || status=$?

if [ "$status" -ne 0 ]; then
    tail -n 80 "$log"
    echo "$(basename "$target"): failed (status $status); inputs kept in $scratch/artifacts"
    exit "$status"
fi
grep -E '^(Done|stat::number_of_executed_units|stat::average_exec_per_sec|stat::peak_rss_mb)' "$log" || true
grep -E '^#[0-9]+ +DONE' "$log" || true
