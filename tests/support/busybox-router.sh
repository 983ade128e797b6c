#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# A router as users meet it: busybox telnetd, login and ash in a chroot,
# with GNU cat so that the missing file gives the router's own error line.
#
#   busybox-router.sh start DIR PORT [STATS_FILE [NETNS]]   build DIR, start telnetd on 127.0.0.1:PORT,
#                                                           inside the named network namespace if given
#   busybox-router.sh stats DIR STATS_FILE                  give the running router new statistics
#   busybox-router.sh stall DIR                             make reading the statistics wait for ever
#   busybox-router.sh stop DIR                              kill everything rooted in DIR, remove DIR
#
# telnetd runs under its own mount and UTS namespaces: a private devpts
# instance gives the chroot its own pseudo-terminals, and the host name
# "router" makes login ask "router login: ". Needs root.
set -euo pipefail

user=root
password=Mango
busybox=/bin/busybox

die() {
    echo "busybox-router: $*" >&2
    exit 1
}

# The command prefix that runs in the router's network namespace, if any.
in_netns=()

# Prints 0 when PORT has a listener on 127.0.0.1.
listening() {
    local hex
    hex=$(printf '0100007F:%04X' "$1")
    "${in_netns[@]}" grep -q "^ *[0-9]*: $hex 00000000:0000 0A" /proc/net/tcp
}

# Every process whose root directory is DIR (telnetd and its login sessions).
rooted_in() {
    local dir=$1 p
    for p in /proc/[0-9]*; do
        [ "$(readlink "$p/root" 2>/dev/null)" = "$dir" ] && echo "${p#/proc/}"
    done
    return 0
}

copy_with_libraries() {
    local root=$1 bin=$2 lib
    install -D -m 0755 "$bin" "$root$bin"
    for lib in $(ldd "$bin" | grep -o '/[^ ]*'); do
        install -D -m 0755 "$lib" "$root$lib"
    done
}

build_root() {
    local root=$1 stats=$2 hash applet
    mkdir -p "$root"/{bin,sbin,usr/bin,usr/sbin,etc,dev/pts,var,tmp,proc/avalanche}
    chmod 1777 "$root/tmp"
    cp "$busybox" "$root/bin/busybox"
    for applet in $("$busybox" --list); do
        [ "$applet" = busybox ] || ln -sf busybox "$root/bin/$applet"
    done
    rm -f "$root/bin/cat"
    copy_with_libraries "$root" /bin/cat
    [ -x "$root/bin/cat" ] || die "could not copy GNU cat"

    hash=$(openssl passwd -1 "$password")
    printf '%s:%s:0:0:%s:/var:/bin/sh\n' "$user" "$hash" "$user" >"$root/etc/passwd"
    printf 'root:x:0:\n' >"$root/etc/group"
    printf "PS1='/var # '\nexport PS1\n" >"$root/etc/profile"
    echo router >"$root/etc/hostname"

    mknod -m 0666 "$root/dev/null" c 1 3
    mknod -m 0666 "$root/dev/zero" c 1 5
    mknod -m 0666 "$root/dev/tty" c 5 0
    mknod -m 0444 "$root/dev/urandom" c 1 9
    ln -s pts/ptmx "$root/dev/ptmx"

    # /proc stays unmounted: the statistics are a plain file at the router's path.
    cp "$stats" "$root/proc/avalanche/avsar_modem_stats"
}

start() {
    local dir=$1 port=$2 stats=${3:-} netns=${4:-}
    [ -z "$netns" ] || in_netns=(ip netns exec "$netns")
    [ "$(id -u)" -eq 0 ] || die "needs root"
    [ -x "$busybox" ] || die "$busybox missing (Debian package busybox-static)"
    "$busybox" --list | grep -qx telnetd || die "$busybox has no telnetd"
    command -v unshare >/dev/null || die "unshare missing (util-linux)"
    command -v openssl >/dev/null || die "openssl missing"
    [ -n "$stats" ] || stats="$(cd "$(dirname "$0")/../.." && pwd)/tools/router-sim/sample-stats.txt"
    [ -r "$stats" ] || die "no statistics file $stats"
    listening "$port" && die "port $port is taken"

    mkdir -p "$dir"
    dir=$(cd "$dir" && pwd -P)
    build_root "$dir" "$stats"

    # The inner shell runs in the new namespaces; exec keeps telnetd as the recorded process.
    "${in_netns[@]}" unshare --mount --uts --propagation private sh -c '
        set -e
        mount -t devpts -o newinstance,ptmxmode=0666,mode=0620 devpts "$1/dev/pts"
        hostname router
        exec chroot "$1" /bin/busybox telnetd -F -b "127.0.0.1:$2" -l /bin/login
    ' busybox-router "$dir" "$port" </dev/null >"$dir.log" 2>&1 &
    echo $! >"$dir.pid"

    local i
    for i in $(seq 100); do
        listening "$port" && return 0
        kill -0 "$(cat "$dir.pid")" 2>/dev/null || die "telnetd ended: $(cat "$dir.log")"
        sleep 0.05
    done
    die "telnetd did not listen on 127.0.0.1:$port"
}

# Renamed into place, so that a session reading the statistics meanwhile sees
# either the old file or the new one whole.
replace_stats() {
    local dir=$1 stats=$2
    [ -d "$dir/proc/avalanche" ] || die "no router in $dir"
    [ -r "$stats" ] || die "no statistics file $stats"
    cp "$stats" "$dir/proc/avalanche/.avsar_modem_stats.new"
    mv -f "$dir/proc/avalanche/.avsar_modem_stats.new" "$dir/proc/avalanche/avsar_modem_stats"
}

# A FIFO that nobody writes: the router's cat waits on it until its session ends.
stall_stats() {
    local dir=$1
    [ -d "$dir/proc/avalanche" ] || die "no router in $dir"
    mkfifo "$dir/proc/avalanche/.avsar_modem_stats.new"
    mv -f "$dir/proc/avalanche/.avsar_modem_stats.new" "$dir/proc/avalanche/avsar_modem_stats"
}

stop() {
    local dir=$1 pid
    [ -d "$dir" ] || return 0
    dir=$(cd "$dir" && pwd -P)
    if [ -f "$dir.pid" ]; then
        kill "$(cat "$dir.pid")" 2>/dev/null || true
    fi
    for pid in $(rooted_in "$dir"); do kill -KILL "$pid" 2>/dev/null || true; done
    local i
    for i in $(seq 40); do
        [ -z "$(rooted_in "$dir")" ] && break
        sleep 0.05
    done
    # The devpts mount lived in the namespace only; the host sees plain directories.
    rm -rf -- "$dir" "$dir.pid" "$dir.log"
}

case "${1:-}" in
start)
    [ $# -ge 3 ] || die "usage: $0 start DIR PORT [STATS_FILE [NETNS]]"
    start "$2" "$3" "${4:-}" "${5:-}"
    ;;
stats)
    [ $# -ge 3 ] || die "usage: $0 stats DIR STATS_FILE"
    replace_stats "$2" "$3"
    ;;
stall)
    [ $# -ge 2 ] || die "usage: $0 stall DIR"
    stall_stats "$2"
    ;;
stop)
    [ $# -ge 2 ] || die "usage: $0 stop DIR"
    stop "$2"
    ;;
*)
    die "usage: $0 start DIR PORT [STATS_FILE [NETNS]] | stats DIR STATS_FILE | stall DIR | stop DIR"
    ;;
esac
