#!/usr/bin/env bash
# Runs every test: installs missing packages, builds the release, the ASan+UBSan and the TSan
# flavours, runs the test suite in each, then runs each fuzzer of the ASan+UBSan build briefly.
#   scripts/test.sh            everything
#   ZARN_QUICK=1 scripts/test.sh   the release flavour only
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
"$root/scripts/install-deps.sh"

run_suite() {
    local dir="$1"
    (cd "$dir" && QT_QPA_PLATFORM=offscreen ctest --output-on-failure -j2 --timeout 600)
}

echo "== release build"
dir="$("$root/scripts/build.sh" release)"
run_suite "$dir"
[ "${ZARN_QUICK:-0}" = "1" ] && exit 0

echo "== ASan+UBSan build"
asan="$("$root/scripts/build.sh" address)"
ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1 run_suite "$asan"

echo "== TSan build"
dir="$("$root/scripts/build.sh" thread)"
TSAN_OPTIONS="halt_on_error=1 suppressions=$root/tests/tsan-qt.supp" run_suite "$dir"

echo "== fuzzers (ASan+UBSan)"
"$root/scripts/fuzz.sh" "$asan" "${ZARN_FUZZ_SECONDS:-30}"
