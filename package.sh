#!/usr/bin/env bash
# Builds the Debian package norvik_<version>_<arch>.deb from a build tree (default: the
# "default" preset; NORVIK_PRESET picks another) into build/<preset>/package/, then runs lintian
# on it when lintian is installed. Prints the package's path last.
set -euo pipefail
cd "$(dirname "$0")"
preset="${NORVIK_PRESET:-default}"
build="build/$preset"
[ -f "$build/CMakeCache.txt" ] || cmake --preset "$preset"
cmake --build --preset "$preset" --target norvik norvikctl norvik_skin norvik_man \
  norvik_debian_docs osConfLib >/dev/null
rm -f "$build"/package/norvik_*.deb
(cd "$build" && cpack --config CPackConfig.cmake >/dev/null)
deb=$(ls "$build"/package/norvik_*.deb)
if command -v lintian >/dev/null; then
  # Errors fail the build; warnings are shown.
  lintian --fail-on error "$deb" >&2
fi
echo "$deb"
