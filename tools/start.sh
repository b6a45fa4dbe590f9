#!/usr/bin/env bash
# Builds the tool and starts it. Its settings, log and backups are kept beside the executable.
set -euo pipefail
cd "$(dirname "$0")/.."
dir=$(tools/build.sh | tail -n 1)
exec "$dir/app/atatool" "$@"
