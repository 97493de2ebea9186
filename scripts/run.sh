#!/usr/bin/env bash
# Starts vevuzer from the build tree with a private program folder, on the simulated exchange: its
# four lines are given to lines 1 to 4 when the settings have none yet, and telsim drives it.
set -euo pipefail
cd "$(dirname "$0")/.."
build="${BUILD_DIR:-build}"
case "$build" in /*) ;; *) build="$PWD/$build" ;; esac
export BELLTALE_HOME="${BELLTALE_HOME:-${XDG_DATA_HOME:-$HOME/.local/share}/belltale}"
# With MODEM set, a simulated modem on a pseudo-terminal watches the line (compatibility mode), in
# a program folder of its own so the settings of the exchange run stay as they were.
modem_options=()
if [ -n "${MODEM:-}" ]; then
    export BELLTALE_HOME="$BELLTALE_HOME/compatibility-mode"
fi
# Everything the program keeps is written there, the registration first: a folder it cannot write
# to is said here in the program's own words, before anything else fails on it.
folder_unwritable() {
    echo "vevuzer: the program folder cannot be written ($1); make it writable or set BELLTALE_HOME to a folder that is" >&2
    exit 2
}
if ! problem=$(mkdir -p "$BELLTALE_HOME" 2>&1); then
    folder_unwritable "cannot make '$BELLTALE_HOME': ${problem##*: }"
fi
probe="$BELLTALE_HOME/.write-test-$$"
if ! problem=$( (: > "$probe") 2>&1); then
    folder_unwritable "cannot write in '$BELLTALE_HOME': ${problem##*: }"
fi
rm -f "$probe"
if [ -n "${MODEM:-}" ]; then
    modem_link="$BELLTALE_HOME/modem"
    modem_input="$BELLTALE_HOME/modem.in"
    rm -f "$modem_input"
    mkfifo "$modem_input"
    # Held open for writing here, so the simulator's input never ends between two commands.
    exec 3<>"$modem_input"
    "$build/bin/modemsim" --link "$modem_link" < "$modem_input" &
    modem_pid=$!
    trap 'kill "$modem_pid" 2>/dev/null || true' EXIT
    for _ in $(seq 50); do [ -e "$modem_link" ] && break; sleep 0.1; done
    modem_options=(--serial-modem "$modem_link")
    echo "vevuzer: a simulated modem rings from another terminal with:"
    echo "    echo 'call 01632960123 ANN SMITH' > $modem_input"
    echo "    echo 'uk-call 01632960777' > $modem_input"
    echo "    echo 'call P' > $modem_input      # a withheld caller"
fi
offscreen=no
if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ] && [ -z "${QT_QPA_PLATFORM:-}" ]; then
    echo "vevuzer: no display found; running with Qt's offscreen platform (no window will be visible)."
    export QT_QPA_PLATFORM=offscreen
    offscreen=yes
fi
telsim="$build/bin/telsim"
if [ -z "${XDG_RUNTIME_DIR:-}" ]; then
    export XDG_RUNTIME_DIR="$build/runtime"
    mkdir -p -m 700 "$XDG_RUNTIME_DIR"
    telsim="XDG_RUNTIME_DIR=$XDG_RUNTIME_DIR $telsim"
fi
log="$BELLTALE_HOME/log.txt"
echo "vevuzer: program folder is $BELLTALE_HOME"
echo "vevuzer: the activity log is $log"
if [ -z "${MODEM:-}" ]; then
    echo "vevuzer: ring a line from another terminal with:"
    echo "    $telsim ring 1 --number 01632960123 --name \"ANN SMITH\""
    echo "    $telsim hangup 1"
    echo "    $telsim list"
fi
# The controls are found through the program folder's registry; registering again is harmless.
"$build/bin/regsvr" /s "$build/lib/liblkLK36.so"
# A first start installs the speech components (about 20 seconds) and ends, and the program's
# restart program starts it again: here that start is ours, so this script keeps following the
# program. The restart program runs the command in BELLTALE_PROGRAM, which marks the request.
restart_request="$XDG_RUNTIME_DIR/belltale-restart-requested"
restarter="$XDG_RUNTIME_DIR/belltale-restart"
printf '#!/bin/sh\n: > "%s"\n' "$restart_request" > "$restarter"
chmod +x "$restarter"
export BELLTALE_PROGRAM="$restarter"
components_installed() {
    [ -e "$BELLTALE_HOME/windows/speech/speech.hlp" ] && [ -e "$BELLTALE_HOME/windows/lhsp/tv/Tv_enua.dll" ]
}
# True when the run that just ended asked for a restart (its restart program waits a second).
restart_requested() {
    for _ in $(seq 30); do
        [ -e "$restart_request" ] && return 0
        sleep 0.1
    done
    return 1
}

run_once() {
    if [ "$offscreen" = no ]; then
        "$build/vevuzer/vevuzer" --assign-exchange-lines "${modem_options[@]}" "$@"
        return $?
    fi
    # With no window to look at, the activity log is the program's face: follow it here.
    # The follower starts first: the program replaces the last run's log, and the follower then
    # shows the new one from its first line.
    tail -n 0 -F "$log" 2>/dev/null &
    follower=$!
    "$build/vevuzer/vevuzer" --assign-exchange-lines "${modem_options[@]}" "$@" &
    program=$!
    trap 'kill -TERM "$program" 2>/dev/null || true' INT TERM
    status=0
    wait "$program" || status=$?
    # The trap's signal interrupts the first wait; wait again for the program's own end.
    if kill -0 "$program" 2>/dev/null; then
        wait "$program" || status=$?
    fi
    # Let the follower show the program's last lines before it goes.
    sleep 1
    kill "$follower" 2>/dev/null || true
    return "$status"
}

while :; do
    rm -f "$restart_request"
    installing=no
    if ! components_installed; then
        installing=yes
        echo "vevuzer: a first start installs the speech components (about 20 seconds), then starts again."
    fi
    status=0
    run_once "$@" || status=$?
    if [ "$installing" = yes ] && [ "$status" -eq 0 ] && restart_requested; then
        echo "vevuzer: starting again after the installation"
        continue
    fi
    exit "$status"
done
