#!/usr/bin/env bash
# Builds Release with the benchmarks in build/bench-release, runs every one of
# them on Xvfb with icewm against the simulated device, and prints one table:
# each figure beside its target. Timings depend on the machine and its load;
# the load average is printed with the table.
#
#   scripts/bench.sh                 # the CPU run of the real program at TIMER=1 lasts 60 s,
#                                    # the one at the default TIMER=10 lasts 10 minutes
#   scripts/bench.sh --long          # both last 10 minutes
#   scripts/bench.sh --duration 120  # the TIMER=1 run lasts any number of seconds
#   scripts/bench.sh --idle 120      # the TIMER=10 run lasts any number of seconds
#   scripts/bench.sh --profile       # also callgrind profiles of an exchange and of start-up
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD

duration=60
idle=600
profile=0
exchanges=200
memory_exchanges=20000
starts=20
while [ $# -gt 0 ]; do
    case $1 in
    --long) duration=600 ;;
    --duration) duration=$2; shift ;;
    --idle) idle=$2; shift ;;
    --profile) profile=1 ;;
    -h | --help) sed -n '2,13p' "$0" | sed 's/^# \{0,1\}//'; exit 0 ;;
    *) echo "bench: unknown option $1" >&2; exit 2 ;;
    esac
    shift
done

build=$root/build/bench-release
echo "bench: building Release in $build" >&2
cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=Release -DNUBREL_BENCH=ON -DNUBREL_TESTS=OFF >/dev/null
cmake --build "$build" -j2 >/dev/null
modemsim=$build/tools/modemsim/modemsim

work=$(mktemp -d /tmp/nubrel-bench-XXXXXX)
pids=()
# shellcheck source=lib/headless.sh
. "$root/scripts/lib/headless.sh"
cleanup() {
    stop_started
    rm -rf "$work"
}
trap cleanup EXIT


rows=$work/rows
: >"$rows"
add_row() { printf 'row\t%s\t%s\t%s\t%s\n' "$@" >>"$rows"; }
load_before=$(cut -d' ' -f1-3 /proc/loadavg)

# A desktop: Xvfb with icewm as window manager and tray host, for the whole run.
start_headless_display 40 99 $((duration + idle + 1800)) "$work/icewm" ||
    { echo "bench: no headless display" >&2; exit 1; }

# 1-3. The program's parts in one process against the device at line speed.
echo "bench: exchanges (about a minute)" >&2
"$build/bench/nubrel_exchange_bench" --modemsim "$modemsim" \
    --stamp-lib "$build/bench/nubrel_stamp_writes.so" --exchanges "$exchanges" \
    --memory-exchanges "$memory_exchanges" --unanswered 3 >>"$rows" 2>"$work/exchange.err" ||
    { cat "$work/exchange.err" >&2; exit 1; }

# 5. History appends.
echo "bench: history appends" >&2
"$build/bench/nubrel_history_bench" 1000000 1000 >>"$rows"
"$build/bench/nubrel_phonebook_bench" 100000 5 >>"$rows"
"$build/bench/nubrel_ncid_bench" 400 10000 >>"$rows"

# The installed program folder, on the simulated device at 9600 bit/s with a
# new call every 10 s, a tick every second.
folder=$work/Nubrel
cmake --install "$build" --prefix "$folder" >/dev/null
printf '[ENV]\r\nTIMER=1\r\nCOMPORT=2\r\nCOMSPEED=9600\r\n[NUBREL]\r\nPRODUCTSIDX=0\r\nPRODUCTSLISTCNT=1\r\nPRODUCTSLIST0=0,modem\r\n[PORTS]\r\nCOM2=%s\r\n' \
    "$work/modem" >"$folder/Nubrel.ini"
"$modemsim" --link "$work/modem" --control "$work/control" --auto 10 --log "$work/modem.log" \
    --number 0312345678 </dev/null >"$work/modemsim.out" 2>&1 &
pids+=($!)
until_ok 10 test -e "$work/modem" || { echo "bench: no simulated device" >&2; exit 1; }
printf 'slow 9600\n' >"$work/control.tmp" && mv "$work/control.tmp" "$work/control"
until_ok 5 grep -q 'ok slow 9600' "$work/modemsim.out" || { echo "bench: device not paced" >&2; exit 1; }

# 4. Start-up of the real program.
echo "bench: $starts starts" >&2
"$build/bench/nubrel_startup_bench" "$folder/nubrel" "$starts" >>"$rows" 2>"$work/startup.err" ||
    { cat "$work/startup.err" >&2; exit 1; }

ticks=$(getconf CLK_TCK)
cpu_ticks() { awk '{print $14 + $15}' "/proc/$1/stat"; }
rss_kib() { awk '/^VmRSS:/ {print $2}' "/proc/$1/status"; }

# A second program folder at the default TIMER=10, on its own simulated device
# with a call a minute: the program as it lives all day, measured alongside.
idle_folder=$work/NubrelIdle
cmake --install "$build" --prefix "$idle_folder" >/dev/null
printf '[ENV]\r\nCOMPORT=2\r\nCOMSPEED=9600\r\n[NUBREL]\r\nPRODUCTSIDX=0\r\nPRODUCTSLISTCNT=1\r\nPRODUCTSLIST0=0,modem\r\n[PORTS]\r\nCOM2=%s\r\n' \
    "$work/idle-modem" >"$idle_folder/Nubrel.ini"
"$modemsim" --link "$work/idle-modem" --control "$work/idle-control" --auto 60 \
    --log "$work/idle-modem.log" --number 0312345678 </dev/null >"$work/idle-modemsim.out" 2>&1 &
pids+=($!)
until_ok 10 test -e "$work/idle-modem" || { echo "bench: no second simulated device" >&2; exit 1; }
echo "bench: the real program at TIMER=10 for $idle s, alongside" >&2
"$idle_folder/nubrel" >"$work/idle-nubrel.out" 2>&1 &
idle_program=$!
pids+=($idle_program)
until_ok 15 test -s "$work/idle-modem.log" || { echo "bench: the TIMER=10 program did not poll" >&2; exit 1; }
idle_cpu0=$(cpu_ticks "$idle_program"); idle_t0=$(date +%s.%N)

# 2-3. CPU and memory of the real program over a run at TIMER=1.
echo "bench: the real program for $duration s" >&2
"$folder/nubrel" >"$work/nubrel.out" 2>&1 &
program=$!
pids+=($program)
until_ok 15 xdotool search --name '^0312345678$' ||
    { echo "bench: the program did not show the held number" >&2; exit 1; }
sleep 2
exchanges_so_far() { grep -c '^recv' "$work/modem.log" || true; }
cpu0=$(cpu_ticks "$program"); rss0=$(rss_kib "$program"); n0=$(exchanges_so_far); t0=$(date +%s.%N)
sleep "$duration"
cpu1=$(cpu_ticks "$program"); rss1=$(rss_kib "$program"); n1=$(exchanges_so_far); t1=$(date +%s.%N)
kill -TERM "$program"
wait "$program" || true
calls=$(grep -c '^auto call' "$work/modemsim.out" || true)
awk -v c0="$cpu0" -v c1="$cpu1" -v hz="$ticks" -v t0="$t0" -v t1="$t1" -v n0="$n0" -v n1="$n1" \
    -v r0="$rss0" -v r1="$rss1" -v calls="$calls" 'BEGIN {
    cpu = (c1 - c0) * 1000 / hz; n = n1 - n0; wall = t1 - t0
    printf "row\treal program at TIMER=1: CPU over %.0f s (%d exchanges)\t%.0f ms (%.2f %%)\t-\t-\n", wall, n, cpu, cpu / wall / 10
    per = n > 0 ? cpu / n : 0
    printf "row\t  CPU per exchange, all costs of the process\t%.2f ms\t< 2 ms\t%s\n", per, per < 2 ? "ok" : "MISSED"
    printf "row\treal program RSS after start-up\t%.1f MB\t< 40 MB\t%s\n", r0 / 1024, r0 < 40 * 1024 ? "ok" : "MISSED"
    printf "row\treal program RSS after the run (%d new calls)\t%.1f MB (%+d KiB)\t< 40 MB, no growth\t%s\n", calls, r1 / 1024, r1 - r0, (r1 < 40 * 1024 && r1 - r0 < 256) ? "ok" : "MISSED"
}' >>"$rows"

left=$(awk -v t0="$idle_t0" -v now="$(date +%s.%N)" -v d="$idle" 'BEGIN { l = t0 + d - now; print (l > 0 ? int(l + 0.5) : 0) }')
[ "$left" -gt 0 ] && { echo "bench: $left s more of the TIMER=10 run" >&2; sleep "$left"; }
idle_cpu1=$(cpu_ticks "$idle_program"); idle_t1=$(date +%s.%N)
idle_polls=$(grep -c '^recv' "$work/idle-modem.log" || true)
kill -TERM "$idle_program"
wait "$idle_program" || true
awk -v c0="$idle_cpu0" -v c1="$idle_cpu1" -v hz="$ticks" -v t0="$idle_t0" -v t1="$idle_t1" -v n="$idle_polls" 'BEGIN {
    cpu = (c1 - c0) * 1000 / hz; minutes = (t1 - t0) / 60
    printf "row\treal program at TIMER=10: CPU per minute over %.1f min (%d exchanges in all)\t%.1f ms (%.3f %%)\t-\t-\n", minutes, n, cpu / minutes, cpu / minutes / 600
}' >>"$rows"

# 6. Micro-benchmarks.
echo "bench: micro-benchmarks" >&2
"$build/bench/nubrel_microbench" --benchmark_min_time=0.5 --benchmark_format=csv 2>/dev/null |
    awk -F, '/^"/ {
        gsub(/"/, "", $1); gsub(/"/, "", $5); wall = $3; cpu = $4; unit = $5
        if (unit == "ns" && wall >= 10000) { wall /= 1000; cpu /= 1000; unit = "us" }
        printf "row\tmicro: %s, wall (CPU)\t%.1f %s (%.1f %s)\t-\t-\n", $1, wall, unit, cpu, unit }' >>"$rows"

load_after=$(cut -d' ' -f1-3 /proc/loadavg)
echo
echo "Nubrel benchmarks, $(date '+%Y-%m-%d %H:%M'), $(nproc) cores, load average before $load_before, after $load_after"
{
    printf 'figure\tmeasured\ttarget\tverdict\n'
    cut -f2- "$rows"
} | column -t -s $'\t'

if [ "$profile" = 1 ]; then
    out=$root/build/bench-release/profiles
    mkdir -p "$out"
    echo
    echo "bench: callgrind of 20 exchanges at 9600 bit/s -> $out/exchange.callgrind" >&2
    valgrind --tool=callgrind --callgrind-out-file="$out/exchange.callgrind" \
        --collect-atstart=no --toggle-collect='MainController::TimForm_Timer()' \
        "$build/bench/nubrel_exchange_bench" --modemsim "$modemsim" --exchanges 20 \
        --memory-exchanges 0 --unanswered 0 >/dev/null 2>"$work/callgrind-exchange.err" || true
    echo "bench: callgrind of one start -> $out/startup.callgrind" >&2
    # One file per process: start-up forks a helper when there is no session bus.
    rm -f "$out"/startup.*.callgrind
    printf '#!/bin/sh\nexec valgrind --tool=callgrind --callgrind-out-file=%s %s\n' \
        "$out/startup.%p.callgrind" "$folder/nubrel" >"$work/nubrel-callgrind"
    chmod +x "$work/nubrel-callgrind"
    "$build/bench/nubrel_startup_bench" "$work/nubrel-callgrind" 0 >/dev/null 2>&1 || true
    cp "$(ls -S "$out"/startup.*.callgrind | head -n 1)" "$out/startup.callgrind"
    for f in exchange startup; do
        echo "== $f: inclusive cost, wrappers of the whole run left out"
        callgrind_annotate --inclusive=yes "$out/$f.callgrind" 2>/dev/null |
            sed -n '/file:function/,$p' | grep -E '^ *[0-9,]+ \( *[0-9.]+%\)' |
            grep -vE '\((100\.0|9[0-9]\.[0-9]+|8[4-9]\.[0-9]+)%\)' | head -30 | cut -c1-170 || true
        echo "== $f: own cost, top 15"
        callgrind_annotate "$out/$f.callgrind" 2>/dev/null | sed -n '/file:function/,$p' |
            grep -E '^ *[0-9,]+ \( *[0-9.]+%\)' | head -15 | cut -c1-170 || true
    done
fi
