#!/usr/bin/env bash
# Installs what is missing, builds, and runs the main job: the norvikctl demo against the emulated
# devices, with a temporary data folder (the user's own profiles are never touched).
set -euo pipefail
cd "$(dirname "$0")"
./scripts/install-deps.sh
cmake --preset default
cmake --build --preset default
data_dir="$(mktemp -d)"
trap 'rm -rf "$data_dir"' EXIT
build/default/cli/norvikctl --emulate --data-dir "$data_dir" demo "$@"
