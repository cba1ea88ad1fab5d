#!/bin/sh
# Runs the fuzz targets for the given seconds each, in parallel.
#   tests/fuzz/run.sh BUILD_DIR SECONDS [WORK_DIR]
# New findings land in WORK_DIR/crash-*; the corpora grow in WORK_DIR.
set -eu
build=$(readlink -f "$1")
seconds=$2
here=$(dirname "$(readlink -f "$0")")
work=${3:-$(mktemp -d)}
mkdir -p "$work/script" "$work/text" "$work/check" "$work/lsp" "$work/sandbox"
python3 "$here/seed.py" "$here/../scripts" "$work/script" >/dev/null
cp "$here"/regressions/* "$here"/loops/* "$work/script/" 2>/dev/null || true
cp "$work"/script/* "$here"/check/* "$work/check/"
cp "$here"/lsp/* "$work/lsp/"
# paths the scripts name (functions 13, 15, 17) resolve in an empty sandbox
cd "$work/sandbox"
# start TARGET [DICTIONARY]: one target on its corpus, in the background
start() {
    "$build/bin/fuzz_$1" -max_total_time="$seconds" -timeout=10 -close_fd_mask=3 \
        ${2:+-dict="$2"} -artifact_prefix="$work/$1-" "$work/$1" >"$work/$1.log" 2>&1 &
    pids="$pids $!"
}
pids=""
start script "$here/vantor.dict"
start text
start check "$here/vantor.dict"
start lsp
passed=0 failed=0
for pid in $pids; do
    wait $pid && passed=$((passed + 1)) || failed=$((failed + 1))
done
for t in script text check lsp; do
    printf '%s: ' "$t"
    grep -E '^Done [0-9]+ runs' "$work/$t.log" | tail -1 || echo "(no summary)"
    grep -E 'ERROR|SUMMARY' "$work/$t.log" | head -3 || true
done
echo "fuzz: $passed passed, $failed failed"
[ "$failed" -eq 0 ]
