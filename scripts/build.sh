#!/usr/bin/env bash
# Configures and builds one flavour of the tree.
#   scripts/build.sh [release|address|thread]   (default: release)
# Prints the build folder on the last line.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
flavour="${1:-release}"
case "$flavour" in
    release) dir="$root/build"; args=(-DCMAKE_BUILD_TYPE=RelWithDebInfo) ;;
    # The ASan+UBSan flavour also builds the fuzzers.
    address) dir="$root/build-asan"; args=(-DZARN_SANITIZE=address -DZARN_FUZZ=ON -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ -DZARN_BENCH=OFF) ;;
    thread) dir="$root/build-tsan"; args=(-DZARN_SANITIZE=thread -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ -DZARN_BENCH=OFF) ;;
    *) echo "unknown flavour: $flavour" >&2; exit 2 ;;
esac
cmake -S "$root" -B "$dir" -G Ninja "${args[@]}" >/dev/null
cmake --build "$dir" >&2
echo "$dir"
