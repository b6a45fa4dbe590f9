#!/usr/bin/env bash
# Checks that includes point down the layers only: a folder may include itself and the folders
# below it; its tests may also include testing/. testing/, bench/ and fuzz/ may include anything,
# and nothing else includes them. Prints each include that breaks the rule; exits 1 if any does.
set -euo pipefail
cd "$(dirname "$0")/.."
declare -A below=(
    [base]="base"
    [net]="base net"
    [script]="base net script"
    [workflow]="base net script workflow"
    [controls]="base controls"
    [app]="base net script workflow controls app"
)
status=0
while IFS= read -r file; do
    top=${file%%/*}
    allowed=${below[$top]:-}
    [[ -z $allowed ]] && continue # testing/, bench/, fuzz/
    [[ $file == */tests/* ]] && allowed+=" testing"
    while IFS= read -r target; do
        folder=${target%%/*}
        [[ " $allowed " == *" $folder "* ]] && continue
        echo "$file includes $target"
        status=1
    done < <(sed -n 's/^[[:space:]]*#[[:space:]]*include[[:space:]]*"\([a-z]*\/[^"]*\)".*/\1/p' "$file")
done < <(find base net script workflow controls app -name '*.cpp' -o -name '*.h' | sort)
exit $status
