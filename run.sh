#!/usr/bin/env bash
# Installs what is missing, builds, and runs the main job against the emulated devices, with a
# temporary data folder (the user's own profiles are never touched):
#  - with a display, the desktop program: norvik --emulate;
#  - without one, the norvikctl demo.
set -euo pipefail
cd "$(dirname "$0")"
./scripts/install-deps.sh
cmake --preset default
cmake --build --preset default
data_dir="$(mktemp -d)"
trap 'rm -rf "$data_dir"' EXIT
if [ -n "${DISPLAY:-}${WAYLAND_DISPLAY:-}" ]; then
  build/default/app/norvik --emulate --data-dir "$data_dir" "$@"
else
  echo "No display: running the command-line demo (norvikctl --emulate demo)." >&2
  build/default/cli/norvikctl --emulate --data-dir "$data_dir" demo "$@"
fi
