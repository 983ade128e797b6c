#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# The headless program's figures, as the service runs it: resident memory
# while idle (pinging 127.0.0.1 every 5 seconds, serving its metrics, no
# broker), after 1,000 scrapes of its metrics, and the time from SIGTERM to
# its end.
#   headless-figures.sh BIN_DIR [IDLE_SECONDS]
set -euo pipefail
bin=$(cd "$1" && pwd)
idle=${2:-10}
work=$(mktemp -d)
pid=
cleanup() {
    [ -z "$pid" ] || kill "$pid" 2>/dev/null || true
    rm -rf "$work"
}
trap cleanup EXIT

port=$(python3 -c 'import socket; s = socket.socket(); s.bind(("127.0.0.1", 0)); print(s.getsockname()[1])')
printf '%s\r\n' '[Options]' 'Ping IP=127.0.0.1' 'Ping Interval=5' 'Router IP=127.0.0.1 1' 'StatsCheck=0' \
    '[Export]' "Metrics Address=127.0.0.1:$port" 'Line Name=home' >"$work/home.ini"
"$bin/line-warden" --headless --settings "$work/home.ini" --folder "$work/state" 2>"$work/journal" &
pid=$!
for _ in $(seq 100); do grep -q '^<5>ping 127.0.0.1' "$work/journal" && break; sleep 0.1; done
sleep "$idle"
rss() { awk "/^$1/ {print \$2}" "/proc/$pid/status"; }
rss_idle=$(rss VmRSS)
scrape() {
    exec 3<>"/dev/tcp/127.0.0.1/$port"
    printf 'GET /metrics HTTP/1.1\r\nHost: 127.0.0.1\r\n\r\n' >&3
    cat <&3 >/dev/null
    exec 3<&-
}
for _ in $(seq 1000); do scrape; done
rss_scraped=$(rss VmRSS)
peak=$(rss VmHWM)
start=$(date +%s.%N)
kill -TERM "$pid"
wait "$pid"
end=$(date +%s.%N)
pid=

echo "line-warden --headless (line-wardend): resident memory idle $((rss_idle / 1024)).$((rss_idle % 1024 * 10 / 1024)) MB;" \
    "after 1,000 scrapes $((rss_scraped / 1024)).$((rss_scraped % 1024 * 10 / 1024)) MB (peak $((peak / 1024)) MB)"
awk -v s="$start" -v e="$end" 'BEGIN { printf "SIGTERM to the end of line-warden --headless: %.0f ms\n", (e - s) * 1000 }'
