#!/usr/bin/env bash
# Builds the benchmark in an optimised build of its own and runs it; any
# arguments go to the benchmark (e.g. --benchmark_min_time=0.01).
#   BUILD_DIR   where to build (default: build/bench)
#   CXX         compiler of the 32-bit x86 timing program (default: c++)
#
# First it times ForeignCall, through which a 32-bit x86 build calls every
# operation of a library bound by name, against a direct call: a program of
# its own (bench/foreign_call_timing_x86.cpp), built -m32 (Debian:
# g++-multilib) and run only where the kernel runs 32-bit programs natively.
# Elsewhere it says it was not measured: under qemu-i386 the figure would be
# the emulator's, not the routine's, and so it is not taken.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
build="${BUILD_DIR:-$root/build/bench}"
cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release \
  -DQUILMAR_BUILD_TESTS=OFF -DQUILMAR_BENCH=ON >/dev/null
cmake --build "$build" -j2 --target quilmar_bench

foreign_call_timing() {
  local program="$build/foreign_call_timing_x86"
  if ! "${CXX:-c++}" -m32 -O2 -static -fno-pie -no-pie -std=c++17 -I"$root" \
      "$root/bench/foreign_call_timing_x86.cpp" "$root/platform/foreign_call_x86.cpp" \
      -o "$program" 2>"$program.log"; then
    echo "ForeignCall on 32-bit x86: not measured, no 32-bit build here" \
      "(Debian: g++-multilib; the compiler's messages are in $program.log)"
    return
  fi
  local status=0
  # A kernel without 32-bit support refuses the program: the shell answers 126.
  "$program" 2>/dev/null || status=$?
  if ((status == 126)); then
    echo "ForeignCall on 32-bit x86: not measured, this kernel does not run 32-bit" \
      "programs natively (under qemu-i386 the figure would time the emulator, not the routine)"
  elif ((status != 0)); then
    echo "ForeignCall timing: $program failed with status $status"
    return 1
  fi
}
foreign_call_timing

exec "$build/bin/quilmar_bench" "$@"
