#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# The program's own figures, as a desktop runs it on a real X server: the time
# from start to the window shown, resident memory while idle, and CPU use while
# it pings 127.0.0.1 every 5 seconds.
#   program-figures.sh BIN_DIR [IDLE_SECONDS]
set -euo pipefail
bin=$(cd "$1" && pwd)
idle=${2:-30}
source "$(dirname "$0")/x-session.sh"

# A folder of its own, so that settings.ini and the logs land there.
printf '%s\r\n' '[Options]' 'Ping IP=127.0.0.1' 'Ping Interval=5' 'Router Username=root' 'Router Password=Mango' \
    'Router IP=127.0.0.1 1' 'StatsCheck=0' 'StatsCheck Interval=1' >"$work/settings.ini"

# Polled back to back, a few milliseconds a look, so that the figure is the
# program's: xdotool's own --sync looks only twice a second. At most 10 s.
visible() { xdotool search --onlyvisible --name '^Line Warden$' 2>/dev/null | head -n 1; }
start=$(date +%s.%N)
"$bin/line-warden" --folder "$work" >"$work/log" 2>&1 &
pid=$!
pids+=($pid)
window=
deadline=$(($(date +%s) + 10))
until window=$(visible) && [ -n "$window" ]; do
    [ "$(date +%s)" -lt "$deadline" ] || { echo "the window did not show within 10 s" >&2; exit 1; }
done
shown=$(date +%s.%N)
look_start=$(date +%s.%N)
visible >/dev/null
look_end=$(date +%s.%N)
sleep 2
rss_idle=$(awk '/^VmRSS/ {print $2}' "/proc/$pid/status")

cpu() { awk '{print $14 + $15}' "/proc/$pid/stat"; }
xdotool windowfocus --sync "$window" key alt+s
sleep 1
before=$(cpu)
sleep "$idle"
after=$(cpu)
ticks=$(getconf CLK_TCK)
rss_pinging=$(awk '/^VmRSS/ {print $2}' "/proc/$pid/status")

awk -v s="$start" -v e="$shown" -v a="$look_start" -v b="$look_end" \
    'BEGIN { printf "start to window shown: %.0f ms (within one look: %.0f ms)\n", (e - s) * 1000, (b - a) * 1000 }'
echo "resident memory idle: $((rss_idle / 1024)) MB; after ${idle} s of pinging: $((rss_pinging / 1024)) MB"
awk -v c=$((after - before)) -v t="$ticks" -v s="$idle" \
    'BEGIN { printf "CPU while pinging every 5 s: %.2f %% of one core (%d ticks in %d s)\n", 100 * c / t / s, c, s }'
