#!/bin/sh
# Builds the libFuzzer targets with clang and runs each for a while, starting
# from the committed seed corpora. FUZZ_SECONDS sets the time per target
# (default 60); FUZZ_TARGETS names the targets to run (default: all).
set -eu
ROOT=$(cd "$(dirname "$0")/.." && pwd)
BUILD="$ROOT/build-fuzz"
SECONDS_PER_TARGET=${FUZZ_SECONDS:-60}

sh "$ROOT/scripts/install-deps.sh" fuzz
CC=clang CXX=clang++ cmake -S "$ROOT" -B "$BUILD" -DDRO_WERROR=ON -DDRO_FUZZ=ON -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build "$BUILD" -j "$(nproc)"

TARGETS=${FUZZ_TARGETS:-$(cd "$ROOT/tests/fuzz/corpus" && ls)}
mkdir -p "$BUILD/artifacts"
export LSAN_OPTIONS="suppressions=$ROOT/tests/fuzz/lsan.supp${LSAN_OPTIONS:+:$LSAN_OPTIONS}"
status=0
for t in $TARGETS; do
    work="$BUILD/corpus/$t"
    mkdir -p "$work"
    echo "== fuzz_$t: $SECONDS_PER_TARGET s"
    if ! "$BUILD/tests/fuzz/fuzz_$t" "$work" "$ROOT/tests/fuzz/corpus/$t" \
            -max_total_time="$SECONDS_PER_TARGET" -print_final_stats=1 \
            -artifact_prefix="$BUILD/artifacts/$t-" -close_fd_mask=3 \
            > "$BUILD/fuzz_$t.log" 2>&1; then
        echo "   FAILED: see $BUILD/fuzz_$t.log and $BUILD/artifacts/" >&2
        status=1
    fi
    grep -E "stat::number_of_executed_units|stat::peak_rss_mb" "$BUILD/fuzz_$t.log" | sed 's/^/   /'
done
exit $status
