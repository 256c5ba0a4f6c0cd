# Shared by the scripts that run programs under a private X server; sourced, not run.

# Starts Xvfb on a display number it picks itself (written to the -displayfd descriptor once it
# listens) with a screen of WIDTHxHEIGHTx24 and any further Xvfb options. Uses the folder $work for
# its files; sets $xvfb_pid and $display. Exits the script with FAIL when the server does not start.
start_xvfb() {
    local geometry=$1
    shift
    Xvfb -displayfd 3 -screen 0 "$geometry" -nolisten tcp "$@" 3>"$work/display" 2>"$work/xvfb.log" &
    xvfb_pid=$!
    for _ in $(seq 100); do
        [[ -s $work/display ]] && break
        if ! kill -0 "$xvfb_pid" 2>/dev/null; then
            cat "$work/xvfb.log" >&2
            echo "FAIL: Xvfb did not start" >&2
            exit 1
        fi
        sleep 0.1
    done
    display=":$(head -n1 "$work/display")"
    if ! [[ $display =~ ^:[0-9]+$ ]]; then
        echo "FAIL: Xvfb gave no display number" >&2
        exit 1
    fi
}

# Sets the array $passthrough to the sanitizer settings of this environment, so a program started
# under `env -i` still gets the sanitizer preset's options.
sanitizer_passthrough() {
    passthrough=()
    local var
    for var in ASAN_OPTIONS LSAN_OPTIONS UBSAN_OPTIONS; do
        if [[ -n ${!var:-} ]]; then passthrough+=("$var=${!var}"); fi
    done
}
