#!/usr/bin/env bash
# Builds the benchmarks (Release, -O2, in build/bench) and runs every case beside its
# baseline, ending with the summary table. Arguments go to verandel-bench, for example
#   bench/run.sh --benchmark_filter='reorder|remove'
#   bench/run.sh --benchmark_repetitions=9
set -euo pipefail
cd "$(dirname "$0")/.."

cmake --workflow --preset bench >/dev/null
echo "$(nproc) cores; $(grep -m1 'model name' /proc/cpuinfo | cut -d: -f2- | sed 's/^ *//')"
exec build/bench/bench/verandel-bench "$@"
