#!/usr/bin/env bash
# Starts vevuzer from the build tree with a private program folder.
set -euo pipefail
cd "$(dirname "$0")/.."
build="${BUILD_DIR:-build}"
case "$build" in /*) ;; *) build="$PWD/$build" ;; esac
export BELLTALE_HOME="${BELLTALE_HOME:-${XDG_DATA_HOME:-$HOME/.local/share}/belltale}"
mkdir -p "$BELLTALE_HOME"
if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ] && [ -z "${QT_QPA_PLATFORM:-}" ]; then
    echo "vevuzer: no display found; running with Qt's offscreen platform (no window will be visible)."
    export QT_QPA_PLATFORM=offscreen
fi
if [ -z "${XDG_RUNTIME_DIR:-}" ]; then
    export XDG_RUNTIME_DIR="$build/runtime"
    mkdir -p -m 700 "$XDG_RUNTIME_DIR"
fi
echo "vevuzer: program folder is $BELLTALE_HOME"
# The controls are found through the program folder's registry; registering again is harmless.
"$build/bin/regsvr" /s "$build/lib/liblkLK36.so"
exec "$build/vevuzer/vevuzer" "$@"
