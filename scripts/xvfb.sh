# Sourced helpers: start_xvfb starts Xvfb on a free display and exports DISPLAY; stop_xvfb ends it.
# OCULO_XVFB_SIZE sets its screen (default 1920x1080; e.g. OCULO_XVFB_SIZE=1280x800 scripts/test -L x11).
xvfb_pid=

start_xvfb() {
    local n=${OCULO_XVFB_DISPLAY:-90} attempt
    # A display whose socket file is missing may still be taken: X servers also listen on an abstract
    # socket, which another mount namespace (a chroot, a container) shares. Such a server refuses to
    # start, and the next display is tried.
    for attempt in $(seq 20); do
        while [ -e "/tmp/.X11-unix/X$n" ] || [ -e "/tmp/.X$n-lock" ]; do n=$((n + 1)); done
        Xvfb ":$n" -screen 0 "${OCULO_XVFB_SIZE:-1920x1080}x24" -nolisten tcp -noreset >/tmp/oculo-xvfb-$n.log 2>&1 &
        xvfb_pid=$!
        for _ in $(seq 100); do
            if [ -e "/tmp/.X11-unix/X$n" ]; then
                export DISPLAY=":$n"
                return 0
            fi
            kill -0 "$xvfb_pid" 2>/dev/null || break
            sleep 0.1
        done
        kill "$xvfb_pid" 2>/dev/null || true
        wait "$xvfb_pid" 2>/dev/null || true
        n=$((n + 1))
    done
    xvfb_pid=
    echo "Xvfb did not start:" >&2
    cat "/tmp/oculo-xvfb-$((n - 1)).log" >&2
    return 1
}

stop_xvfb() {
    if [ -n "$xvfb_pid" ]; then
        kill "$xvfb_pid" 2>/dev/null || true
        wait "$xvfb_pid" 2>/dev/null || true
        xvfb_pid=
    fi
}
