#!/bin/bash
# The main job: installs what is missing, builds, then runs the service on a
# private session bus and a private system-bus stand-in, fed by the simulated
# peers, with the client's live view in front. Ctrl-C stops and cleans up all.
# Data stays in ./demo-home unless --real-home is given.
# Usage: scripts/demo.sh [--real-home]
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
export BUILD_DIR=${BUILD_DIR:-$root/build}

"$root/scripts/install-deps.sh"
"$root/scripts/build.sh"

home=$root/demo-home
[ "${1:-}" = "--real-home" ] && home=$HOME
NWT_HOME=$home exec "$root/tests/fixture/with-private-buses.sh" "$root/scripts/demo-session.sh"
