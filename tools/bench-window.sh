#!/usr/bin/env bash
# Measures the tool through its real window (offscreen) against loopback servers on 127.0.0.5
# and prints the figures with their ratios, then the CPU time and wake-ups of the tool's own
# executable sitting idle, then its start-up to a mapped window under Xvfb against a bare Qt
# window built in the same run. Needs root: the servers listen on ports 21 and 80.
# Usage: tools/bench-window.sh [--runs N]   (N timed runs per figure; default 5)
# The build directory is build-bench, or $ATA_BENCH_BUILD.
set -euo pipefail
cd "$(dirname "$0")/.."
if [[ $(id -u) -ne 0 ]]; then
    echo "bench-window.sh: run as root (the loopback servers listen on ports 21 and 80)" >&2
    exit 2
fi
readonly address=127.0.0.5 # loopback only; nothing else is ever contacted
[[ $address == 127.* ]] || exit 2

dir=${ATA_BENCH_BUILD:-build-bench}
if [[ ! -f $dir/CMakeCache.txt ]]; then
    generator=()
    command -v ninja >/dev/null && generator=(-G Ninja)
    cmake -S . -B "$dir" "${generator[@]}" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DATA_BENCHMARKS=ON >/dev/null
fi
cmake --build "$dir" -j "$(nproc)" --target ata_window_bench atatool ata_bare_window >/dev/null
export QT_QPA_PLATFORM=offscreen

echo "== The real window ($dir/bench/ata_window_bench${*:+ $*})"
"$dir/bench/ata_window_bench" "$@"

# The tool's executable on its own, in a folder of its own (its settings point at $address;
# no command is pressed). CPU from /proc/PID/stat (utime+stime, in clock ticks) and from the
# threads' schedstat (nanoseconds), wake-ups as voluntary context switches of all its threads,
# then the system calls strace counts.
echo
echo "== The tool's executable, idle ($dir/app/atatool, QT_QPA_PLATFORM=offscreen)"
folder=$(mktemp -d /tmp/ata-idle.XXXXXX)
pid=
cleanup() {
    if [[ -n $pid ]]; then
        kill "$pid" 2>/dev/null || true
        wait "$pid" 2>/dev/null || true
    fi
    rm -rf "$folder"
}
trap cleanup EXIT
cp "$dir/app/atatool" "$folder/"
printf '[Options]\r\nIP=%s\r\nUsername=admin\r\nPassword=secret\r\n' "$address" >"$folder/settings.ini"
"$folder/atatool" >"$folder/atatool.log" 2>&1 &
pid=$!
sleep 2

cpu_ticks() { awk '{ print $14 + $15 }' "/proc/$pid/stat"; }
cpu_ns() { cat /proc/"$pid"/task/*/schedstat | awk '{ n += $1 } END { printf "%d", n }'; }
wakeups() { cat /proc/"$pid"/task/*/status | awk '/^voluntary_ctxt_switches/ { n += $2 } END { print n }'; }
ticks0=$(cpu_ticks) ns0=$(cpu_ns) wake0=$(wakeups) t0=$(date +%s.%N)
sleep 5
ticks1=$(cpu_ticks) ns1=$(cpu_ns) wake1=$(wakeups) t1=$(date +%s.%N)
awk -v c="$((ticks1 - ticks0))" -v ns="$((ns1 - ns0))" -v w="$((wake1 - wake0))" \
    -v hz="$(getconf CLK_TCK)" -v t0="$t0" -v t1="$t1" 'BEGIN {
    s = t1 - t0
    printf "  idle %.1f s: %.3f ms CPU per s (schedstat); %.1f ms per s (utime+stime, %d ms ticks)\n",
        s, ns / 1e6 / s, c * 1000 / hz / s, 1000 / hz
    printf "  %.1f wake-ups per s (voluntary context switches, all threads)\n", w / s }'

if command -v strace >/dev/null; then
    timeout -s INT 5 strace -f -c -o "$folder/strace.txt" -p "$pid" >/dev/null 2>&1 || true
    awk '$NF == "total" { total = $4 }
         $NF ~ /^(poll|ppoll|epoll_wait|epoll_pwait|select|pselect6|futex|nanosleep|clock_nanosleep)$/ { waits += $4 }
         END { printf "  strace, 5 s: %.1f system calls per s, of them %.1f waits (poll, futex, sleep) per s\n",
               total / 5, waits / 5 }' "$folder/strace.txt"
else
    echo "  strace not installed (apt-get install strace): no system-call count"
fi

# Start-up: from the start of the process to its top-level window mapped on an Xvfb display of
# its own, and the resident size then, against a hello-world Qt Widgets window built alike.
echo
echo "== Start-up to the mapped window (Xvfb; $dir/app/atatool against $dir/bench/ata_bare_window)"
if command -v xvfb-run >/dev/null; then
    runs=20
    QT_QPA_PLATFORM=xcb xvfb-run -a -s "-screen 0 1024x768x24 -nolisten tcp" \
        /usr/bin/python3 tools/startup-window.py "$runs" "ATA Maintenance Tool" "$dir/app/atatool" \
        "Bare window" "$dir/bench/ata_bare_window" | awk -v runs="$runs" '
        { t[NR] = $2; rss[NR] = $3 }
        END {
            printf "  median of %d starts each, taking turns\n", runs
            printf "  %-40s %7.1f ms %7.1f MiB\n", "atatool", t[1] * 1000, rss[1] / 1024
            printf "  %-40s %7.1f ms %7.1f MiB\n", "bare Qt Widgets window", t[2] * 1000, rss[2] / 1024
            printf "  %-40s %7.2f x  %7.2f x\n", "ratio (time, resident size)", t[1] / t[2], rss[1] / rss[2] }'
else
    echo "  xvfb-run not installed (apt-get install xvfb): no start-up figure"
fi
