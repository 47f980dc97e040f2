#!/usr/bin/env bash
# The main job: installs missing packages, builds, and runs zarn-cli. Without arguments it runs
# the demonstration (the simulated logger through the real link: a recorded log, its replay into
# a picture, the demonstration log), writing into ./zarn-demo; with arguments it runs zarn-cli
# with them.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
"$root/scripts/install-deps.sh"
# Only what the demo runs: the program and the simulated logger it binds.
dir="$("$root/scripts/build.sh" release zarn-cli zarn_ftd2xx_sim)"
if [ $# -eq 0 ]; then
    set -- demo --output zarn-demo
fi
exec "$dir/acquisition/cli/main/zarn-cli" "$@"
