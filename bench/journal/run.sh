#!/usr/bin/env bash
# The event viewer opened on a journal of 100 000 events (target: under one second).
set -euo pipefail
build=$(cd "${1:-build}" && pwd)
QT_QPA_PLATFORM=offscreen "$build/bench/journal/bench_journal" 100000 2> /dev/null
