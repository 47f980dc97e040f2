#!/usr/bin/env bash
# Configures and builds one flavour of the tree, all of it or only the targets named.
#   scripts/build.sh [release|address|thread] [TARGET...]   (default: release, every target)
# Prints the build folder on the last line.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
flavour="${1:-release}"
[ $# -gt 0 ] && shift
case "$flavour" in
    release) dir="$root/build"; args=(-DCMAKE_BUILD_TYPE=RelWithDebInfo) ;;
    # The ASan+UBSan flavour also builds the fuzzers.
    address) dir="$root/build-asan"; args=(-DZARN_SANITIZE=address -DZARN_FUZZ=ON -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ -DZARN_BENCH=OFF) ;;
    thread) dir="$root/build-tsan"; args=(-DZARN_SANITIZE=thread -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ -DZARN_BENCH=OFF) ;;
    *) echo "unknown flavour: $flavour" >&2; exit 2 ;;
esac
# Paths under the checkout are hashed relative to it, so that another checkout of the same
# sources (a fresh clone, a second worktree) finds the compiler cache's results.
export CCACHE_BASEDIR="$root" CCACHE_NOHASHDIR=1
targets=()
for t in "$@"; do targets+=(--target "$t"); done
cmake -S "$root" -B "$dir" -G Ninja "${args[@]}" >/dev/null
cmake --build "$dir" "${targets[@]}" >&2
echo "$dir"
