#!/usr/bin/env bash
# Builds and runs every test. Extra arguments go to ctest (for example -L unit).
# Tests that need root (network namespaces, ports 21 and 80) skip with a message otherwise.
set -euo pipefail
cd "$(dirname "$0")/.."
dir=$(tools/build.sh | tail -n 1)
export QT_QPA_PLATFORM=${QT_QPA_PLATFORM:-offscreen}
export ASAN_OPTIONS=${ASAN_OPTIONS:-detect_leaks=1:abort_on_error=1}
export LSAN_OPTIONS=${LSAN_OPTIONS:-suppressions=$PWD/tools/lsan.supp:print_suppressions=0}
export UBSAN_OPTIONS=${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}
# The kill test's rounds per folder and command (two workers each): 50 in the plain build, fewer
# in the slower sanitizer build.
if [[ "${ATA_SANITIZE:-0}" == 1 ]]; then
    export ATA_KILL_ROUNDS=${ATA_KILL_ROUNDS:-10}
fi
ctest --test-dir "$dir" --output-on-failure --timeout 600 "$@"
