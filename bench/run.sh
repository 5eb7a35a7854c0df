#!/usr/bin/env bash
# Builds the benchmark in an optimised build of its own and runs it; any
# arguments go to the benchmark (e.g. --benchmark_min_time=0.01).
#   BUILD_DIR   where to build (default: build/bench)
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
build="${BUILD_DIR:-$root/build/bench}"
cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release \
  -DQUILMAR_BUILD_TESTS=OFF -DQUILMAR_BENCH=ON >/dev/null
cmake --build "$build" -j2 --target quilmar_bench
exec "$build/bin/quilmar_bench" "$@"
