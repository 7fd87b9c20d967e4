#!/usr/bin/env bash
# Builds the libFuzzer targets and runs each for a while on its seed corpus; a finding fails the run
# and leaves its input in the work folder. Usage: tools/fuzz.sh [seconds-per-target]
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-60}
tools/deps.sh core fuzz >/dev/null
cmake --preset fuzz >/dev/null
cmake --build --preset fuzz
work=$(mktemp -d /tmp/kivano-fuzz.XXXXXX)
for target in regfile numtext; do
    mkdir -p "$work/$target"
    echo "== fuzzing $target for ${seconds}s"
    # New inputs go to the work folder; the seeds in the tree are only read.
    build/fuzz/tests/fuzz/${target}_fuzz -max_total_time="$seconds" -max_len=8192 -print_final_stats=1 \
        -artifact_prefix="$work/$target-" "$work/$target" "tests/fuzz/corpus/$target" 2>&1 |
        grep -E '^(#[0-9]+ +DONE|stat::number_of_executed_units|stat::peak_rss|==[0-9]+==ERROR|SUMMARY|artifact_prefix|Test unit written)' || true
    if ls "$work/$target-"* >/dev/null 2>&1; then
        echo "FINDING in $target: $(ls "$work/$target-"*)"
        exit 1
    fi
done
rm -rf "$work"
