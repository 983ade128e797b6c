#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# The real program's memory while it collects over SSH: line-warden
# (offscreen, --folder, --start) and dropbear in front of the busybox router
# share a network namespace of their own. The program pings the router every
# second; its answers to echoes are switched off and on, and each change makes
# the program collect over SSH at once, as it does a minute apart when left
# alone. Prints the peak resident memory over the collections. Needs root.
#   ssh-program-figures.sh BIN_DIR [COLLECTIONS]
set -euo pipefail
bin=$(cd "$1" && pwd)
count=${2:-100}
src=$(cd "$(dirname "$0")/.." && pwd)
router=$src/tests/support/busybox-router.sh
if [ "$(id -u)" -ne 0 ]; then
    echo "skipped: the router's network namespace needs root"
    exit 0
fi

work=$(mktemp -d)
ns=lw-bench-ssh-$$
pid=
cleanup() {
    [ -z "$pid" ] || kill "$pid" 2>/dev/null || true
    wait 2>/dev/null || true
    bash "$router" stop "$work/router" >/dev/null 2>&1 || true
    ip netns del "$ns" 2>/dev/null || true
    rm -rf "$work"
}
trap cleanup EXIT

ip netns add "$ns"
ip -n "$ns" link set lo up
bash "$router" start-ssh "$work/router" 127.0.0.1 "$ns"
echoes() { ip netns exec "$ns" sysctl -qw "net.ipv4.icmp_echo_ignore_all=$1"; }
echoes 0

mkdir "$work/folder"
printf '%s\r\n' '[Options]' 'Ping IP=127.0.0.1' 'Ping Interval=-1' 'Router Username=root' 'Router Password=Mango' \
    'Router IP=ssh:127.0.0.1' 'StatsCheck=0' 'StatsCheck Interval=1' >"$work/folder/settings.ini"
records() {
    if [ -f "$work/folder/stats.csv" ]; then grep -c . "$work/folder/stats.csv" || true; else echo 0; fi
}
rss() { awk -v key="$1:" '$1 == key {print $2}' "/proc/$pid/status"; }

HOME=$work QT_QPA_PLATFORM=offscreen ip netns exec "$ns" "$bin/line-warden" --folder "$work/folder" --start \
    >"$work/output" 2>&1 &
pid=$!

# One change a round; a round whose change no record follows (the first
# probe had not come yet) is tried again. At most 10 s a round, 3 rounds a collection.
start=$(date +%s.%N)
ignore=1
settled=
for _ in $(seq $((count * 3))); do
    before=$(records)
    [ "$before" -lt "$count" ] || break
    [ "$before" -lt 10 ] || [ -n "$settled" ] || settled=$(rss VmRSS)
    echoes "$ignore"
    ignore=$((1 - ignore))
    for _ in $(seq 200); do
        [ "$(records)" -gt "$before" ] && break
        kill -0 "$pid" 2>/dev/null || { echo "line-warden ended: $(cat "$work/output")" >&2; exit 1; }
        sleep 0.05
    done
done
end=$(date +%s.%N)
if [ "$(records)" -lt "$count" ]; then
    echo "only $(records) of $count collections recorded; line-warden.log:" >&2
    tail -n 5 "$work/folder/line-warden.log" >&2 || true
    exit 1
fi
awk -v n="$count" -v s="$start" -v e="$end" -v hwm="$(rss VmHWM)" -v settled="$settled" -v last="$(rss VmRSS)" \
    'BEGIN { printf "line-warden, %d collections over SSH (offscreen): peak resident memory %.1f MB; %.1f MB after the 10th, %.1f MB after the last; %.0f s\n", n, hwm / 1024, settled / 1024, last / 1024, e - s }'
