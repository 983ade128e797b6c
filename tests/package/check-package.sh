#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Checks the Debian package as a user's machine would meet it: unpacked into a
# throw-away folder, its files, its dependencies and its post-install step, its
# service unit verified and rated without a running systemd, and the unpacked
# program started offscreen and ended by SIGTERM like a logout.
#   check-package.sh PACKAGE.deb
set -uo pipefail
deb=$1
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

for f in usr/bin/line-warden usr/bin/line-warden-history usr/bin/tarn-run usr/share/applications/line-warden.desktop \
    usr/share/applications/line-warden-history.desktop \
    usr/share/icons/hicolor/{16x16,32x32,48x48}/apps/line-warden.png usr/lib/systemd/system/line-warden@.service \
    usr/lib/sysusers.d/line-warden.conf usr/share/doc/line-warden/example.ini; do
    check "file $f" test -s "$work/root/$f"
done
check "no build or test programs" test -z "$(ls "$work/root/usr/bin" | grep -E '^(tst_|bench_|router-sim)')"

# Package names alone, one a line, without their version constraints.
depends=$(dpkg-deb -f "$deb" Depends | sed 's/ ([^)]*)//g; s/, /\n/g')
for d in libc6 libstdc++6 libqt6core6 libqt6gui6 libqt6widgets6 libqt6network6 libqt6charts6 libssh-4 qt6-qpa-plugins \
    fonts-liberation libcap2-bin; do
    check "depends on $d" grep -qxF "$d" <<<"$depends"
done

post=$work/control/postinst
check "post-install step is executable" test -x "$post"
check "post-install step parses" sh -n "$post"
check "post-install grants cap_net_raw" grep -q 'setcap cap_net_raw+ep /usr/bin/line-warden' "$post"
# The step must say so, and not fail the installation, when setcap cannot work.
# It creates the service's user through systemd-sysusers, faked here as well.
mkdir -p "$work/nosetcap"
printf '#!/bin/sh\nexit 1\n' >"$work/nosetcap/setcap"
printf '#!/bin/sh\necho "$@" >"%s"\n' "$work/sysusers.args" >"$work/nosetcap/systemd-sysusers"
chmod +x "$work/nosetcap/setcap" "$work/nosetcap/systemd-sysusers"
out=$(PATH="$work/nosetcap:$PATH" sh "$post" configure 2>&1)
check "post-install succeeds without setcap" test $? -eq 0
check "post-install says it could not" grep -q 'could not grant cap_net_raw' <<<"$out"
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
    for _ in $(seq 50); do display=$(cat "$work/display") && [ -n "$display" ] && break; sleep 0.1; done
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
