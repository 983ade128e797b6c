#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# The Windows probe, proven on Linux: cross-compiles modPingWindows.cpp with a
# console driver and runs it under wine inside a network namespace of its own,
# joined by a veth pair to a second namespace that ignores echo requests.
# 127.0.0.1 must answer with status 0 and a round-trip time; the silent peer
# must give the time-out status 11010 after about 500 ms. Needs root and the
# packages of scripts/setup-windows-probe. Run by .ci/run.
set -euo pipefail
cd "$(dirname "$0")/../.."

die() {
    echo "windows-ping: $*" >&2
    exit 1
}

wine=/usr/lib/wine/wine64
[ "$(id -u)" -eq 0 ] || die "needs root"
command -v x86_64-w64-mingw32-g++ >/dev/null || die "g++-mingw-w64-x86-64 missing (scripts/setup-windows-probe)"
[ -x "$wine" ] || die "$wine missing (scripts/setup-windows-probe)"

work=$(mktemp -d /tmp/windows-ping.XXXXXX)
client=lw-wine-$$
peer=lw-wine-peer-$$
client_address=198.18.0.1
peer_address=198.18.0.2

cleanup() {
    WINEPREFIX="$work/prefix" /usr/lib/wine/wineserver -k 2>/dev/null || true
    ip netns del "$client" 2>/dev/null || true
    ip netns del "$peer" 2>/dev/null || true
    rm -rf -- "$work"
}
trap cleanup EXIT

x86_64-w64-mingw32-g++ -std=c++20 -O2 -Wall -Wextra -Werror -Isrc/reachability \
    src/reachability/modPingWindows.cpp tests/wine/ping-driver.cpp \
    -static-libgcc -static-libstdc++ -liphlpapi -lws2_32 -o "$work/ping-driver.exe"

ip netns add "$client"
ip netns add "$peer"
ip link add "lwc$$" netns "$client" type veth peer name "lwp$$" netns "$peer"
ip -n "$client" link set lo up
ip -n "$client" addr add "$client_address/30" dev "lwc$$"
ip -n "$client" link set "lwc$$" up
ip -n "$peer" link set lo up
ip -n "$peer" addr add "$peer_address/30" dev "lwp$$"
ip -n "$peer" link set "lwp$$" up
ip netns exec "$peer" sysctl -qw net.ipv4.icmp_echo_ignore_all=1

# A fresh prefix, made before the timed run (about 8 s).
export WINEPREFIX="$work/prefix" WINEDEBUG=-all HOME="$work"
unset DISPLAY
ip netns exec "$client" "$wine" wineboot --init >/dev/null 2>&1 || die "wineboot failed"
output=$(timeout 120 ip netns exec "$client" "$wine" "$work/ping-driver.exe" 127.0.0.1 "$peer_address" 2>/dev/null | tr -d '\r')
echo "$output"

field() { # LINE NAME
    sed -n "s/.* $2=\(-\?[0-9]*\).*/\1/p" <<<"$1"
}
loopback=$(grep "^127.0.0.1 " <<<"$output") || die "no answer line for 127.0.0.1"
silent=$(grep "^$peer_address " <<<"$output") || die "no answer line for $peer_address"

[ "$(field "$loopback" answered)" = 1 ] || die "127.0.0.1 not answered"
[ "$(field "$loopback" status)" = 0 ] || die "127.0.0.1: status $(field "$loopback" status)"
rtt=$(field "$loopback" rtt)
[ "$rtt" -ge 0 ] && [ "$rtt" -lt 500 ] || die "127.0.0.1: round-trip time $rtt"

[ "$(field "$silent" answered)" = 0 ] || die "$peer_address answered"
[ "$(field "$silent" status)" = 11010 ] || die "$peer_address: status $(field "$silent" status), not 11010"
ms=$(field "$silent" ms)
[ "$ms" -ge 450 ] && [ "$ms" -le 600 ] || die "$peer_address: time-out after $ms ms, not about 500"
echo "windows-ping: passed"
