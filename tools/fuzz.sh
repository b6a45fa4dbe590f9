#!/usr/bin/env bash
# Builds every libFuzzer target with clang (address and undefined-behaviour sanitizers) and
# runs each for SECONDS (default 60), starting from the hand-made seeds in fuzz/corpus/<target>.
# Usage: tools/fuzz.sh [SECONDS [TARGET...]]; with no targets named, every fuzz/fuzz_*.cpp runs.
# Prints the executions and findings of each target; exits non-zero if any target found one.
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-60}
shift || true
dir=build-fuzz
cmake -S . -B "$dir" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_CXX_COMPILER=clang++ \
    -DATA_FUZZ=ON -DATA_BENCHMARKS=OFF >/dev/null
cmake --build "$dir" --target fuzz_all
status=0
printf '%-16s %12s %s\n' target executions findings
if [ $# -gt 0 ]; then
    targets=("$@")
else
    targets=()
    for source in fuzz/fuzz_*.cpp; do targets+=("$(basename "$source" .cpp)"); done
fi
for name in "${targets[@]}"; do
    work="$dir/fuzz-work/$name"
    mkdir -p "$work/corpus" "$work/findings"
    [ -d "fuzz/corpus/$name" ] && cp -n fuzz/corpus/"$name"/* "$work/corpus/" 2>/dev/null || true
    log="$work/run.log"
    rc=0
    "$dir/fuzz/$name" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 \
        -artifact_prefix="$work/findings/" "$work/corpus" >"$log" 2>&1 || rc=$?
    execs=$(grep -o 'Done [0-9]* runs' "$log" | grep -o '[0-9]*' || true)
    findings=$(find "$work/findings" -type f | wc -l)
    printf '%-16s %12s %s\n' "$name" "${execs:-0}" "$findings"
    if [ "$rc" -ne 0 ] || [ "$findings" -ne 0 ]; then
        status=1
        tail -n 30 "$log"
    fi
done
exit $status
