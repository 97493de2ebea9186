#!/usr/bin/env bash
# Runs every fuzz target of a sanitizer build side by side.
#   scripts/fuzz.sh BUILD_DIR [SECONDS]
# With SECONDS each target stops after that long (CI); without, they run until Ctrl+C. New inputs
# that reach further are kept in BUILD_DIR/fuzz/corpus/<target>; an input that makes a target fail
# is written to BUILD_DIR/fuzz/crashes/<target>/ and the script fails. Such an input, once mended,
# goes to fuzz/regressions/<target>/, where every test run replays it.
set -uo pipefail
cd "$(dirname "$0")/.."
build="${1:?usage: scripts/fuzz.sh BUILD_DIR [SECONDS]}"
seconds="${2:-0}"
targets=()
for program in "$build"/bin/*_fuzz; do
    [ -x "$program" ] && targets+=("$program")
done
if [ ${#targets[@]} -eq 0 ]; then
    echo "fuzz: no fuzz targets in $build/bin (configure with: cmake --preset sanitize)" >&2
    exit 1
fi
pids=()
for program in "${targets[@]}"; do
    name="$(basename "$program")"
    corpus="$build/fuzz/corpus/$name" crashes="$build/fuzz/crashes/$name"
    mkdir -p "$corpus" "$crashes"
    inputs=("$corpus")
    for seeds in "fuzz/corpus/$name" "fuzz/regressions/$name"; do
        [ -d "$seeds" ] && inputs+=("$seeds")
    done
    ASAN_OPTIONS="detect_leaks=0:${ASAN_OPTIONS:-}" "$program" -max_total_time="$seconds" \
        -timeout=10 -rss_limit_mb=2048 -print_final_stats=1 -artifact_prefix="$crashes/" \
        "${inputs[@]}" > "$build/fuzz/$name.log" 2>&1 &
    pids+=($!)
done
trap 'kill "${pids[@]}" 2>/dev/null' INT TERM
failed=0
for i in "${!pids[@]}"; do
    name="$(basename "${targets[$i]}")"
    if wait "${pids[$i]}"; then
        echo "fuzz: $name: $(grep -m1 -o 'stat::number_of_executed_units: *[0-9]*' "$build/fuzz/$name.log" | grep -o '[0-9]*$') runs, nothing found"
    else
        echo "fuzz: $name FAILED; see $build/fuzz/$name.log and $build/fuzz/crashes/$name/" >&2
        tail -n 30 "$build/fuzz/$name.log" >&2
        failed=1
    fi
done
exit $failed
