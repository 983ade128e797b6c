#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Checks the Debian package as a user's machine would meet it: unpacked into a
# throw-away folder, its files, its dependencies and its post-install step, and
# the unpacked program started offscreen and ended by SIGTERM like a logout.
#   check-package.sh PACKAGE.deb
set -uo pipefail
deb=$1
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
passed=0
failed=0
check() { # description, command...
    local what=$1
    shift
    if "$@"; then passed=$((passed + 1)); else failed=$((failed + 1)); echo "FAIL: $what"; fi
}

dpkg-deb -x "$deb" "$work/root"
dpkg-deb -e "$deb" "$work/control"

for f in usr/bin/line-warden usr/bin/line-warden-history usr/bin/tarn-run usr/share/applications/line-warden.desktop \
    usr/share/applications/line-warden-history.desktop \
    usr/share/icons/hicolor/{16x16,32x32,48x48}/apps/line-warden.png; do
    check "file $f" test -s "$work/root/$f"
done
check "no build or test programs" test -z "$(ls "$work/root/usr/bin" | grep -E '^(tst_|bench_|router-sim)')"

# Package names alone, one a line, without their version constraints.
depends=$(dpkg-deb -f "$deb" Depends | sed 's/ ([^)]*)//g; s/, /\n/g')
for d in libc6 libstdc++6 libqt6core6 libqt6gui6 libqt6widgets6 libqt6network6 libqt6charts6 qt6-qpa-plugins fonts-liberation \
    libcap2-bin; do
    check "depends on $d" grep -qxF "$d" <<<"$depends"
done

post=$work/control/postinst
check "post-install step is executable" test -x "$post"
check "post-install step parses" sh -n "$post"
check "post-install grants cap_net_raw" grep -q 'setcap cap_net_raw+ep /usr/bin/line-warden' "$post"
# The step must say so, and not fail the installation, when setcap cannot work.
mkdir -p "$work/nosetcap"
printf '#!/bin/sh\nexit 1\n' >"$work/nosetcap/setcap"
chmod +x "$work/nosetcap/setcap"
out=$(PATH="$work/nosetcap:$PATH" sh "$post" configure 2>&1)
check "post-install succeeds without setcap" test $? -eq 0
check "post-install says it could not" grep -q 'could not grant cap_net_raw' <<<"$out"

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

echo "package: $passed passed, $failed failed"
[ $failed -eq 0 ]
