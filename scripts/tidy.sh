#!/usr/bin/env bash
# Runs clang-tidy with the checks of .clang-tidy over the product sources (src/, cli/, emulator/,
# tools/) and the headers they include, and fails when it reports anything.
#   scripts/tidy.sh [build folder] [path regex...]
# The build folder (default build/default) must have been built once: its compile_commands.json
# names the sources, and Qt's generated headers must exist. A path regex narrows the run, e.g.
#   scripts/tidy.sh build/default 'src/profiles/'
# Each finding is printed once, however many sources include its header.
set -euo pipefail
cd "$(dirname "$0")/.."
build="${1:-build/default}"
[ $# -gt 0 ] && shift
if [ ! -f "$build/compile_commands.json" ]; then
  echo "tidy: no $build/compile_commands.json; configure and build that folder first" >&2
  exit 2
fi
top="$(pwd)"
if [ $# -eq 0 ]; then
  set -- "^$top/(src|cli|emulator|tools)/"
fi

log="$(mktemp)"
trap 'rm -f "$log"' EXIT
# run-clang-tidy's own exit status only says whether a run failed; the findings are read below.
# Its output is coloured whatever it is written to.
run-clang-tidy -quiet -p "$build" -j "$(nproc)" "$@" 2>&1 | sed 's/\x1b\[[0-9;]*m//g' >"$log" || true
if grep -q 'error: .*\[clang-diagnostic-error\]\|Error while processing' "$log"; then
  grep -B2 -A3 'clang-diagnostic-error\|Error while processing' "$log" >&2
  echo "tidy: some sources could not be parsed" >&2
  exit 2
fi
# Headers are seen through the libraries' include roots (links in the build folder): findings
# are named by the file in the source tree, relative to it.
findings="$(grep -E '^/.*:[0-9]+:[0-9]+: (warning|error): .*\[[a-z0-9.,-]+\]$' "$log" |
  while IFS= read -r line; do
    file="${line%%:*}"
    real="$(readlink -f "$file")"
    echo "${real#"$top"/}:${line#*:}"
  done | sort -u || true)"
if [ -n "$findings" ]; then
  echo "$findings"
  echo "tidy: $(echo "$findings" | wc -l) findings" >&2
  exit 1
fi
echo "tidy: no findings"
