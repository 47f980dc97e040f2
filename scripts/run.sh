#!/usr/bin/env bash
# The main job: installs missing packages, builds, and runs zarn-cli with the given arguments
# (by default it loads the configuration and prints where the program's files live).
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
"$root/scripts/install-deps.sh"
dir="$("$root/scripts/build.sh" release)"
exec "$dir/acquisition/cli/zarn-cli" "$@"
