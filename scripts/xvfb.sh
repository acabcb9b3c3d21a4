# Sourced helpers: start_xvfb starts Xvfb on a free display and exports DISPLAY; stop_xvfb ends it.
xvfb_pid=

start_xvfb() {
    local n=${OCULO_XVFB_DISPLAY:-90}
    while [ -e "/tmp/.X11-unix/X$n" ] || [ -e "/tmp/.X$n-lock" ]; do n=$((n + 1)); done
    Xvfb ":$n" -screen 0 1920x1080x24 -nolisten tcp -noreset >/tmp/oculo-xvfb-$n.log 2>&1 &
    xvfb_pid=$!
    for _ in $(seq 100); do
        [ -e "/tmp/.X11-unix/X$n" ] && break
        kill -0 "$xvfb_pid" 2>/dev/null || { echo "Xvfb did not start:" >&2; cat "/tmp/oculo-xvfb-$n.log" >&2; return 1; }
        sleep 0.1
    done
    export DISPLAY=":$n"
}

stop_xvfb() {
    if [ -n "$xvfb_pid" ]; then
        kill "$xvfb_pid" 2>/dev/null || true
        wait "$xvfb_pid" 2>/dev/null || true
        xvfb_pid=
    fi
}
