#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# line-warden as a desktop runs it, collecting statistics every minute from a
# router that answers without end: the connection must close within 16 s of
# the collection's start, the program stay at most 200 MB above its idle
# size, and the next collection (the router answering soundly again) record.
#   program-endless.sh BIN_DIR [ROUTER_OPTION...]   e.g. --chunk 16384 --piece-delay-ms 15
set -euo pipefail
bin=$(cd "$1" && pwd)
shift
source "$(dirname "$0")/x-session.sh"

router() { # starts router-sim on $port with the given options
    "$bin/router-sim" --port "$port" --greeting-delay-ms 0 "$@" >"$work/router" 2>&1 &
    router_pid=$!
    pids+=($router_pid)
    for _ in $(seq 100); do grep -q listening "$work/router" && return; sleep 0.05; done
    echo "router-sim did not start" >&2
    exit 1
}
port=$(python3 -c 'import socket; s=socket.socket(); s.bind(("127.0.0.1", 0)); print(s.getsockname()[1])')
router --endless "$@"

cp "$bin/line-warden" "$work/"
printf '%s\r\n' '[Options]' 'Ping IP=127.0.0.1' 'Ping Interval=5' 'Router Username=root' 'Router Password=Mango' \
    "Router IP=127.0.0.1 $port" 'StatsCheck=1' 'StatsCheck Interval=1' >"$work/settings.ini"
"$work/line-warden" >"$work/log" 2>&1 &
pid=$!
pids+=($pid)
window=$(xdotool search --sync --onlyvisible --name '^Line Warden$' | head -n 1)
xdotool windowfocus --sync "$window" key alt+s
sleep 2
idle=$(awk '/^VmRSS/ {print $2}' "/proc/$pid/status")

connected() { [ -n "$(ss -tnH state established "( sport = :$port )")" ]; }
for _ in $(seq 900); do connected && break; sleep 0.1; done # the first collection comes a minute after the start
opened=$(date +%s.%N)
for _ in $(seq 300); do connected || break; sleep 0.05; done
closed=$(date +%s.%N)
connected && { echo "the connection was still open after 15 s" >&2; exit 1; }
sleep 1
peak=$(awk '/^VmHWM/ {print $2}' "/proc/$pid/status")
held=$(awk '/^VmRSS/ {print $2}' "/proc/$pid/status")

kill "$router_pid"
wait "$router_pid" 2>/dev/null || true
router
for _ in $(seq 900); do [ -s "$work/stats.csv" ] && break; sleep 0.1; done
record=$(head -n 1 "$work/stats.csv" 2>/dev/null | tr -d '\r')

awk -v o="$opened" -v c="$closed" 'BEGIN { printf "connection closed %.2f s after it opened (limit 16)\n", c - o }'
echo "resident memory idle $((idle / 1024)) MB, peak $((peak / 1024)) MB (limit idle + 200), after $((held / 1024)) MB"
echo "next collection: ${record:-NO RECORD}"
awk -v o="$opened" -v c="$closed" 'BEGIN { exit !(c - o <= 16) }'
[ -n "$record" ] && [ $((peak - idle)) -le $((200 * 1024)) ]
