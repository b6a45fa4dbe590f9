#!/bin/sh
# Checks a manual page against its program: every option that --help names is in the page, and
# the page renders without a warning. Usage: manpage-covers-help.sh PROGRAM PAGE
set -u
program=$1 page=$2
status=0
warnings=$(groff -man -ww -z "$page" 2>&1) || status=1
[ -z "$warnings" ] || { echo "$page: groff warns: $warnings"; status=1; }
LC_ALL=C MANWIDTH=80 man -l "$page" >/dev/null 2>&1 || { echo "$page: man -l fails"; status=1; }
text=$(LC_ALL=C groff -man -Tascii -P -cbou "$page") || status=1
help=$("$program" --help) || { echo "$program --help fails"; exit 1; }
options=$(printf '%s\n' "$help" | grep -oE '(^|[][ ,|(])--?[A-Za-z][A-Za-z-]*' |
    sed 's/^[][ ,|(]//' | sort -u)
[ -n "$options" ] || { echo "no options found in $program --help"; exit 1; }
for option in $options; do
    if ! printf '%s\n' "$text" | grep -qE -- "(^|[^A-Za-z0-9-])$option([^A-Za-z0-9-]|$)"; then
        echo "$page does not mention $option"
        status=1
    fi
done
[ $status -ne 0 ] || echo "$page: renders cleanly and names all $(echo $options | wc -w) options of --help"
exit $status
