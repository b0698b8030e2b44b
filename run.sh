#!/usr/bin/env bash
# Installs what is missing, builds, and runs the main job: the demo against the emulated devices.
set -euo pipefail
cd "$(dirname "$0")"
./scripts/install-deps.sh
cmake --preset default
cmake --build --preset default
exec build/default/cli/norvik-demo "$@"
