#!/usr/bin/env bash
# Configures and builds into build/ (or build-asan/ with ATA_SANITIZE=1).
set -euo pipefail
cd "$(dirname "$0")/.."
if [[ "${ATA_SANITIZE:-0}" == 1 ]]; then
    dir=build-asan
    flags=(-DATA_SANITIZE=ON -DATA_BENCHMARKS=OFF -DCMAKE_BUILD_TYPE=Debug)
else
    dir=build
    flags=(-DCMAKE_BUILD_TYPE=RelWithDebInfo)
fi
generator=()
command -v ninja >/dev/null && [[ ! -f "$dir/CMakeCache.txt" ]] && generator=(-G Ninja)
cmake -S . -B "$dir" "${generator[@]}" "${flags[@]}" >/dev/null
cmake --build "$dir" -j "$(nproc)"
echo "$dir"
