#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# A router as users meet it: busybox telnetd, login and ash in a chroot,
# with GNU cat so that the missing file gives the router's own error line.
# Or the same router reached over SSH, as routers without telnet run it:
# dropbear, with a new ed25519 host key each time it is built.
#
#   busybox-router.sh start DIR PORT [STATS_FILE [NETNS [ADDRESS]]]
#                                                           build DIR, start telnetd on 127.0.0.1:PORT,
#                                                           inside the named network namespace if given,
#                                                           on its ADDRESS if given
#   busybox-router.sh start-ssh DIR ADDRESS NETNS [STATS_FILE [AUTHORIZED_KEYS]]
#                                                           build DIR, start dropbear on ADDRESS:22 inside
#                                                           the network namespace; root logs in with the
#                                                           same password, or with the keys given
#   busybox-router.sh stats DIR STATS_FILE                  give the running router new statistics
#   busybox-router.sh stall DIR                             make reading the statistics wait for ever
#   busybox-router.sh stop DIR                              kill everything rooted in DIR, remove DIR
#
# The servers run under their own mount and UTS namespaces: a private devpts
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

# True when ADDRESS:PORT has a listener (IPv4, as /proc/net/tcp writes it: bytes reversed).
listening() {
    local address=$1 port=$2 a b c d hex
    IFS=. read -r a b c d <<<"$address"
    hex=$(printf '%02X%02X%02X%02X:%04X' "$d" "$c" "$b" "$a" "$port")
    "${in_netns[@]}" grep -q "^ *[0-9]*: $hex 00000000:0000 0A" /proc/net/tcp
}

# Every process whose root directory is DIR (the server and its login sessions).
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

# dropbear and its libraries in the root, a new host key, and the keys root may log in with.
add_dropbear() {
    local root=$1 keys=$2
    copy_with_libraries "$root" /usr/sbin/dropbear
    mkdir -p "$root/etc/dropbear" "$root/var/.ssh"
    dropbearkey -t ed25519 -f "$root/etc/dropbear/dropbear_ed25519_host_key" >/dev/null 2>&1 ||
        die "dropbearkey failed"
    echo /bin/sh >"$root/etc/shells"
    chmod 0700 "$root/var/.ssh"
    [ -z "$keys" ] || install -m 0600 "$keys" "$root/var/.ssh/authorized_keys"
}

# Checks what every router needs and builds its root in DIR; prints the root's absolute path.
prepare() {
    local dir=$1 stats=$2
    [ "$(id -u)" -eq 0 ] || die "needs root"
    [ -x "$busybox" ] || die "$busybox missing (Debian package busybox-static)"
    command -v unshare >/dev/null || die "unshare missing (util-linux)"
    command -v openssl >/dev/null || die "openssl missing"
    [ -r "$stats" ] || die "no statistics file $stats"
    mkdir -p "$dir"
    dir=$(cd "$dir" && pwd -P)
    build_root "$dir" "$stats"
    echo "$dir"
}

# Runs SERVER ARGS... chrooted in DIR, in new mount and UTS namespaces, until it
# listens on ADDRESS:PORT. The inner shell's exec keeps the server as the recorded process.
serve() {
    local dir=$1 address=$2 port=$3
    shift 3
    "${in_netns[@]}" unshare --mount --uts --propagation private sh -c '
        set -e
        mount -t devpts -o newinstance,ptmxmode=0666,mode=0620 devpts "$1/dev/pts"
        hostname router
        root=$1
        shift
        exec chroot "$root" "$@"
    ' busybox-router "$dir" "$@" </dev/null >"$dir.log" 2>&1 &
    echo $! >"$dir.pid"

    local i
    for i in $(seq 100); do
        listening "$address" "$port" && return 0
        kill -0 "$(cat "$dir.pid")" 2>/dev/null || die "$1 ended: $(cat "$dir.log")"
        sleep 0.05
    done
    die "$1 did not listen on $address:$port"
}

default_stats() {
    echo "$(cd "$(dirname "$0")/../.." && pwd)/tools/router-sim/sample-stats.txt"
}

start() {
    local dir=$1 port=$2 stats=${3:-} netns=${4:-} address=${5:-127.0.0.1}
    [ -z "$netns" ] || in_netns=(ip netns exec "$netns")
    "$busybox" --list | grep -qx telnetd || die "$busybox has no telnetd"
    listening "$address" "$port" && die "port $port is taken"
    dir=$(prepare "$dir" "${stats:-$(default_stats)}")
    serve "$dir" "$address" "$port" /bin/busybox telnetd -F -b "$address:$port" -l /bin/login
}

start_ssh() {
    local dir=$1 address=$2 netns=$3 stats=${4:-} keys=${5:-}
    in_netns=(ip netns exec "$netns")
    [ -x /usr/sbin/dropbear ] && command -v dropbearkey >/dev/null || die "dropbear missing (dropbear-bin)"
    [ -z "$keys" ] || [ -r "$keys" ] || die "no authorized keys file $keys"
    listening "$address" 22 && die "$address:22 is taken"
    dir=$(prepare "$dir" "${stats:-$(default_stats)}")
    add_dropbear "$dir" "$keys"
    serve "$dir" "$address" 22 /usr/sbin/dropbear -F -E -p "$address:22" \
        -r /etc/dropbear/dropbear_ed25519_host_key -P /var/dropbear.pid
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
    # The devpts mount lived in the server's namespace only; the host sees plain directories.
    rm -rf -- "$dir" "$dir.pid" "$dir.log"
}

case "${1:-}" in
start)
    [ $# -ge 3 ] || die "usage: $0 start DIR PORT [STATS_FILE [NETNS [ADDRESS]]]"
    start "$2" "$3" "${4:-}" "${5:-}" "${6:-}"
    ;;
start-ssh)
    [ $# -ge 4 ] || die "usage: $0 start-ssh DIR ADDRESS NETNS [STATS_FILE [AUTHORIZED_KEYS]]"
    start_ssh "$2" "$3" "$4" "${5:-}" "${6:-}"
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
    die "usage: $0 start DIR PORT [STATS_FILE [NETNS [ADDRESS]]] | start-ssh DIR ADDRESS NETNS [STATS_FILE [AUTHORIZED_KEYS]] |" \
        "stats DIR STATS_FILE | stall DIR | stop DIR"
    ;;
esac
