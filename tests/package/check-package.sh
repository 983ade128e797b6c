#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Checks the Debian package as a user's machine would meet it: unpacked into a
# throw-away folder, its files, its dependencies and its post-install step, its
# service unit verified and rated without a running systemd, the unpacked
# program started offscreen and ended by SIGTERM like a logout, and run as
# the service runs it.
#   check-package.sh PACKAGE.deb
set -uo pipefail
deb=$1
here=$(cd "$(dirname "$0")" && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
passed=0
failed=0
quiet() { "$@" >/dev/null 2>&1; }
check() { # description, command...
    local what=$1
    shift
    if "$@"; then passed=$((passed + 1)); else failed=$((failed + 1)); echo "FAIL: $what"; fi
}

dpkg-deb -x "$deb" "$work/root"
dpkg-deb -e "$deb" "$work/control"

for f in usr/bin/line-warden usr/bin/line-wardend usr/bin/line-warden-history usr/bin/tarn-run usr/share/applications/line-warden.desktop \
    usr/share/applications/line-warden-history.desktop \
    usr/share/icons/hicolor/{16x16,32x32,48x48}/apps/line-warden.png usr/lib/systemd/system/line-warden@.service \
    usr/lib/sysusers.d/line-warden.conf usr/share/doc/line-warden/example.ini; do
    check "file $f" test -s "$work/root/$f"
done
check "no build or test programs" test -z "$(ls "$work/root/usr/bin" | grep -E '^(tst_|bench_|router-sim)')"

# Package names alone, one a line, without their version constraints.
depends=$(dpkg-deb -f "$deb" Depends | sed 's/ ([^)]*)//g; s/, /\n/g')
for d in libc6 libstdc++6 libqt6core6 libqt6gui6 libqt6widgets6 libqt6network6 libqt6charts6 libqt6httpserver6 \
    libmosquitto1 libssh-4 qt6-qpa-plugins fonts-liberation libcap2-bin; do
    check "depends on $d" grep -qxF "$d" <<<"$depends"
done

post=$work/control/postinst
check "post-install step is executable" test -x "$post"
check "post-install step parses" sh -n "$post"
# The step asks setcap to grant cap_net_raw to both programs, as line-warden
# --headless becomes line-wardend; it must say so, and not fail the
# installation, when setcap cannot work. It creates the service's user through
# systemd-sysusers. Both are faked here.
mkdir -p "$work/nosetcap"
printf '#!/bin/sh\necho "$@" >>"%s"\nexit 1\n' "$work/setcap.args" >"$work/nosetcap/setcap"
printf '#!/bin/sh\necho "$@" >"%s"\n' "$work/sysusers.args" >"$work/nosetcap/systemd-sysusers"
chmod +x "$work/nosetcap/setcap" "$work/nosetcap/systemd-sysusers"
out=$(PATH="$work/nosetcap:$PATH" sh "$post" configure 2>&1)
check "post-install succeeds without setcap" test $? -eq 0
for program in /usr/bin/line-warden /usr/bin/line-wardend; do
    check "post-install grants cap_net_raw to $program" grep -qxF "cap_net_raw+ep $program" "$work/setcap.args"
    check "post-install says it could not for $program" grep -qF "could not grant cap_net_raw to $program;" <<<"$out"
done
check "post-install creates the service's user" grep -qxF 'line-warden.conf' "$work/sysusers.args"
check "the user's entry is valid" quiet systemd-sysusers --dry-run --root="$work/root" line-warden.conf

# The service unit, checked and rated as systemd would see it, without one
# running. verify looks for the targets the unit names in the same tree; it
# only warns about an unknown key, which would drop a protection unseen.
units=$work/root/usr/lib/systemd/system
cp /lib/systemd/system/*.target "$units/"
verified=$(systemd-analyze verify --root="$work/root" line-warden@home.service 2>&1)
check "service unit verifies" test $? -eq 0
check "service unit verifies without warnings" test -z "$verified"
[ -z "$verified" ] || echo "$verified"
cp "$units/line-warden@.service" "$work/line-warden@home.service"
rating=$(systemd-analyze security --offline=true --threshold=20 "$work/line-warden@home.service" 2>&1)
check "service exposure at most 2.0" test $? -eq 0
grep -o 'Overall exposure level.*' <<<"$rating"

# The unpacked program runs from a bin folder, so it keeps settings.ini in the
# per-user folder, here one of the check's own.
bin=$work/root/usr/bin
XDG_DATA_HOME=$work/data XDG_RUNTIME_DIR=$work QT_QPA_PLATFORM=offscreen "$bin/line-warden" >"$work/run.log" 2>&1 &
pid=$!
for _ in $(seq 20); do [ -e "/proc/$pid" ] || break; sleep 0.1; done
check "program stays up" kill -0 "$pid"
kill -TERM "$pid"
for _ in $(seq 50); do kill -0 "$pid" 2>/dev/null || break; sleep 0.1; done
check "program ends on SIGTERM" bash -c "! kill -0 $pid 2>/dev/null"
wait "$pid"
check "program ends cleanly" test $? -eq 0
check "settings written on SIGTERM" grep -qs '^Ping IP=' "$work/data/line-warden/settings.ini"
check "nothing written beside the program" test ! -e "$bin/settings.ini"
[ $failed -eq 0 ] || cat "$work/run.log"

# The service as systemd runs it, without systemd: the unpacked program as an
# unprivileged user holding only the ambient CAP_NET_RAW (no file capability
# yet), under the seccomp filters the unit's SystemCallFilter,
# RestrictAddressFamilies and MemoryDenyWriteExecute make, with the unit's
# environment, in a network namespace where ping sockets are closed, so that
# only the raw socket can ping. It must ping, hold no capability once it does
# and let no process of its user attach to it, serve its metrics, log a collection the router refuses, end cleanly on
# SIGTERM and leave its settings file as it was. Traced meanwhile, every
# system call it makes must be one the unit allows.
unit_setting() { sed -n "s/^$1=//p" "$units/line-warden@.service"; }
syscall_group() { # the calls of a systemd-analyze syscall-filter group, nested groups expanded
    systemd-analyze syscall-filter "$1" 2>/dev/null | awk 'NR > 1 && $1 !~ /^#/ && NF {print $1}' |
        while read -r name; do case $name in @*) syscall_group "$name" ;; *) echo "$name" ;; esac; done | sort -u
}
calls_of() { # the system calls a SystemCallFilter value names
    local entry
    for entry in $1; do case $entry in @*) syscall_group "$entry" ;; *) echo "$entry" ;; esac; done | sort -u
}
allowed_calls() { # the unit's SystemCallFilter lines in their order, each adding to the allowed calls or taking away
    local line allowed=""
    while read -r line; do
        case $line in
        ~*) allowed=$(comm -23 <(echo "$allowed") <(calls_of "${line#\~}")) ;;
        *) allowed=$(sort -u <(echo "$allowed") <(calls_of "$line")) ;;
        esac
    done < <(unit_setting SystemCallFilter)
    grep . <<<"$allowed"
}
service_as_it_runs() {
    local svc=$work/service pid="" status=1
    mkdir -p "$svc/state" || return 1
    allowed_calls >"$svc/calls"
    printf '%s\r\n' '[Options]' 'Ping IP=127.0.0.1' 'Ping Interval=-1' 'Router IP=127.0.0.1 1' 'StatsCheck=1' \
        '[Export]' 'Metrics Address=127.0.0.1:9817' 'Line Name=home' >"$svc/home.ini"
    chown root:nogroup "$svc/home.ini" && chmod 0640 "$svc/home.ini" && cp -p "$svc/home.ini" "$svc/home.ini.before"
    chown nobody:nogroup "$svc/state" && chmod 0750 "$svc/state" && chmod 755 "$work" "$svc"
    # shellcheck disable=SC2016 # expanded by the inner shell; $0 is the unit's environment, split in words
    strace -f -qq -o "$svc/trace" unshare --net -- sh -c 'ip link set lo up && exec setpriv --reuid=nobody \
        --regid=nogroup --clear-groups --inh-caps +net_raw --ambient-caps +net_raw --bounding-set -all,+net_raw \
        env -i $0 "$1" "$2" "$3" "$4" "$5" --headless --settings "$6" --folder "$7"' \
        "$(unit_setting Environment)" "$here/unit-sandbox.py" "$svc/calls" \
        "$(unit_setting SystemCallErrorNumber)" "$(unit_setting RestrictAddressFamilies)" "$bin/line-warden" \
        "$svc/home.ini" "$svc/state" 2>"$svc/journal" &
    local tracer=$!
    for _ in $(seq 100); do
        pid=$(pgrep -x line-wardend -U nobody | head -1) && grep -q '^<5>ping 127.0.0.1: Up$' "$svc/journal" && break
        sleep 0.1
    done
    grep -E '^Cap(Inh|Prm|Eff|Amb)' "/proc/$pid/status" >"$svc/caps"
    if [ "$(grep -cE ':\s0+$' "$svc/caps")" = 4 ] && [ "$(stat -c %U "/proc/$pid/mem")" = root ]; then
        # The line goes down: a collection follows at once, and the router refuses it.
        nsenter --net="/proc/$pid/ns/net" sysctl -qw net.ipv4.icmp_echo_ignore_all=1
        for _ in $(seq 100); do grep -q '^<4>connection refused' "$svc/journal" && break; sleep 0.1; done
        nsenter --net="/proc/$pid/ns/net" bash -c 'exec 3<>/dev/tcp/127.0.0.1/9817 &&
            printf "GET /metrics HTTP/1.1\r\n\r\n" >&3 && cat <&3' >"$svc/metrics"
        grep -q '^linewarden_collections_total{line="home",result="failed"} 1' "$svc/metrics" && status=0
    fi
    kill -TERM "$pid"
    wait "$tracer" || status=1
    cmp -s "$svc/home.ini" "$svc/home.ini.before" && [ "$(stat -c '%U:%G %a' "$svc/home.ini")" = "root:nogroup 640" ] ||
        status=1
    # Its own calls: from line-warden's start on, the set-up before it left out.
    awk -v program="$bin/line-warden" 'index($0, "execve(\"" program "\"") {own = 1} own' "$svc/trace" |
        sed -nE 's/^[0-9]+ +(<\.\.\. )?([a-z0-9_]+)[( ].*/\2/p' | sort -u >"$svc/used"
    comm -23 "$svc/used" "$svc/calls" >"$svc/refused"
    echo "the headless program made $(wc -l <"$svc/used") kinds of system call;" \
        "$(wc -l <"$svc/refused") of them outside the unit's filter"
    [ -s "$svc/used" ] && [ ! -s "$svc/refused" ] || status=1
    [ $status -eq 0 ] || cat "$svc/caps" "$svc/journal" "$svc/metrics" "$svc/refused"
    return $status
}
if [ "$(id -u)" -eq 0 ]; then
    check "the service pings, keeps no capability, serves and leaves its settings under the unit's filters" \
        service_as_it_runs
elif [ "${LW_REQUIRE_PEERS:-}" = 1 ]; then
    check "the service as it runs (needs root)" false
fi

# The capability that the post-install step grants serves the ICMP socket alone:
# the user nobody runs the program with it in a network namespace where ping
# sockets are closed, so only the raw socket can ping. Once the window shows the
# process holds no capability, and Start Pinging (Alt+S) paints lblPing green.
pinging_as_a_user() {
    local home=$work/home display="" window="" status=1
    setcap cap_net_raw+ep "$bin/line-warden" && mkdir -p "$home/data/line-warden" "$home/run" || return 1
    printf '[Options]\r\nPing IP=127.0.0.1\r\nPing Interval=-1\r\n' >"$home/data/line-warden/settings.ini"
    chown -R nobody:nogroup "$home" && chmod 700 "$home/run" && chmod 755 "$work"
    Xvfb -displayfd 1 -ac -nolisten tcp -screen 0 1024x768x24 >"$work/display" 2>/dev/null &
    local xvfb=$!
    for _ in $(seq 50); do display=$(cat "$work/display" 2>/dev/null) && [ -n "$display" ] && break; sleep 0.1; done
    export DISPLAY=:$display
    unshare --net -- sh -c 'ip link set lo up && exec setpriv --reuid=nobody --regid=nogroup --clear-groups \
        env HOME="$1" XDG_DATA_HOME="$1/data" XDG_RUNTIME_DIR="$1/run" QT_QPA_PLATFORM=xcb "$0"' \
        "$bin/line-warden" "$home" >"$work/user.log" 2>&1 &
    local pid=$!
    for _ in $(seq 100); do window=$(xdotool search --name '^Line Warden$' | head -1) && [ -n "$window" ] && break; sleep 0.1; done
    grep -E '^Cap(Prm|Eff)' "/proc/$pid/status" >"$work/caps"
    if [ -n "$window" ] && [ "$(grep -cE ':\s0+$' "$work/caps")" = 2 ]; then
        xdotool windowfocus --sync "$window" key alt+s
        for _ in $(seq 50); do
            import -window "$window" "$work/window.png"
            [ "$(convert "$work/window.png" -format '%[hex:u.p{228,72}]' info:)" = 00FF00 ] && status=0 && break
            sleep 0.2
        done
    fi
    kill -TERM "$pid" "$xvfb"
    wait "$pid" "$xvfb"
    [ $status -eq 0 ] || cat "$work/caps" "$work/user.log"
    return $status
}
if [ "$(id -u)" -eq 0 ]; then
    check "a user pings with no capability left" pinging_as_a_user
elif [ "${LW_REQUIRE_PEERS:-}" = 1 ]; then
    check "a user pings with no capability left (needs root)" false
fi

echo "package: $passed passed, $failed failed"
[ $failed -eq 0 ]
