#!/usr/bin/env bash
# Installs what is missing, builds, and runs the whole test suite.
# NORVIK_PRESET picks the CMake preset (default: "default"; CI uses "ci").
set -euo pipefail
cd "$(dirname "$0")"
./scripts/install-deps.sh
preset="${NORVIK_PRESET:-default}"
cmake --preset "$preset"
cmake --build --preset "$preset"
ctest --preset "$preset"
