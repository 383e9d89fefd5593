#!/usr/bin/env bash
# Runs every benchmark: each sub-folder's run.sh, given the build folder. Prints figures and
# ratios; never passes or fails.
set -uo pipefail
build=$(cd "${1:-build}" && pwd)
cd "$(dirname "$0")"
for script in */run.sh; do
    [ -x "$script" ] || continue
    echo "=== $(dirname "$script") ==="
    "./$script" "$build" || echo "(benchmark $(dirname "$script") interrompu)"
done
