#!/usr/bin/env bash
# Builds the libFuzzer targets (preset "fuzz") and runs each one for a while on
# a scratch copy of its seed corpus, so the seeds in fuzz/corpus stay as they are.
# Usage: scripts/fuzz.sh [seconds-per-target]   (default 30)
# Exits non-zero when a target found something; its input is kept under
# build/fuzz/crashes/<target>/.
set -euo pipefail

seconds=${1:-30}
if ! [[ "$seconds" =~ ^[1-9][0-9]*$ ]]; then
    echo "usage: $0 [seconds-per-target]" >&2
    exit 2
fi

root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"

scripts/install-deps.sh test
cmake --preset fuzz >/dev/null
cmake --build --preset fuzz

bin=build/fuzz/fuzz
runs=build/fuzz/runs
crashes=build/fuzz/crashes

# Replies longer than 64 KiB are worth reaching; settings files are small.
declare -A max_len=(
    [fuzz_reply_parsers]=70000
    [fuzz_ini_reader]=8192
    [fuzz_ini_writer]=8192
    [fuzz_phonebook]=8192
    [fuzz_ncid_client]=20000
)

failed=0
summary=()
for target in fuzz_reply_parsers fuzz_ini_reader fuzz_ini_writer fuzz_phonebook fuzz_ncid_client; do
    corpus=$runs/$target
    log=$runs/$target.log
    rm -rf "$corpus"
    mkdir -p "$corpus" "$crashes/$target"
    cp fuzz/corpus/$target/* "$corpus"/

    echo "fuzz: $target for $seconds s"
    status=0
    "$bin/$target" "$corpus" \
        -max_total_time="$seconds" \
        -max_len="${max_len[$target]}" \
        -timeout=25 \
        -dict="fuzz/$target.dict" \
        -artifact_prefix="$crashes/$target/" \
        -print_final_stats=1 >"$log" 2>&1 || status=$?

    executions=$(awk '/^stat::number_of_executed_units:/ { print $2 }' "$log" | tail -n 1)
    coverage=$(grep -o 'cov: [0-9]*' "$log" | tail -n 1 || true)
    if [ "$status" -eq 0 ]; then
        result="nothing found"
    else
        failed=1
        artifact=$(grep -o "Test unit written to .*" "$log" | tail -n 1 | sed 's/^Test unit written to //' || true)
        result="FOUND something (exit $status): ${artifact:-see $log}"
        grep -m 1 -E 'invariant broken|ERROR: (AddressSanitizer|libFuzzer|LeakSanitizer)|runtime error' "$log" || true
    fi
    summary+=("$(printf '%-20s %12s executions  %-10s %s' "$target" "${executions:-?}" "${coverage:-cov: ?}" "$result")")
done

echo
echo "fuzz: $seconds s per target; logs in $runs/"
printf '%s\n' "${summary[@]}"
if [ "$failed" -ne 0 ]; then
    echo "fuzz: reproduce with $bin/<target> <input>" >&2
fi
exit "$failed"
