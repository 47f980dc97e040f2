#!/usr/bin/env bash
# Runs every libFuzzer target of a fuzz build for a bounded time each; a crash fails.
#   scripts/fuzz.sh BUILD_DIR [SECONDS]
set -euo pipefail
dir="$1"
seconds="${2:-30}"
status=0
for fuzzer in "$dir"/tests/fuzz/fuzz_*; do
    [ -x "$fuzzer" ] || continue
    name="$(basename "$fuzzer")"
    corpus="$(mktemp -d)"
    echo "== $name for ${seconds}s"
    if ! "$fuzzer" -max_total_time="$seconds" -max_len=4096 -print_final_stats=0 \
        -artifact_prefix="$dir/$name-" "$corpus" >"$dir/$name.log" 2>&1; then
        echo "$name FAILED:"; tail -n 40 "$dir/$name.log"; status=1
    else
        grep -E '^#[0-9]+.*DONE' "$dir/$name.log" | tail -n 1 || true
    fi
    rm -rf "$corpus"
done
exit $status
