# SPDX-License-Identifier: MIT
# Sourced by the program benchmarks: a scratch folder ($work), an X server of
# its own with the session's variables set, and a cleanup on exit that stops
# every process whose id was added to $pids.
work=$(mktemp -d)
pids=()
cleanup() {
    for p in "${pids[@]}"; do kill "$p" 2>/dev/null || true; done
    wait 2>/dev/null || true
    rm -rf "$work"
}
trap cleanup EXIT

Xvfb -displayfd 1 -screen 0 1024x768x24 -nolisten tcp >"$work/display" 2>/dev/null &
pids+=($!)
for _ in $(seq 100); do [ -s "$work/display" ] && break; sleep 0.05; done
export DISPLAY=:$(cat "$work/display") HOME=$work XDG_RUNTIME_DIR=$work QT_QPA_PLATFORM=xcb
unset DBUS_SESSION_BUS_ADDRESS
