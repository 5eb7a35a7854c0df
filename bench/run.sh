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

# Reading the largest recording a replay takes (64 MiB) in a 32-bit x86
# process: bench/recording_reader.cpp built -m32 with the simulator's
# sources, run natively where the kernel can, else under qemu-i386, whose
# figures are the emulator's run of it (its time is the translated code's,
# its peak memory includes the emulator's own; the peak for a recording of
# one call shows that part).
recording_reader_x86() {
  local program="$build/recording_reader_x86"
  if ! "${CXX:-c++}" -m32 -O2 -static -std=c++17 -I"$root" "$root/bench/recording_reader.cpp" \
      "$root"/sim/*.cpp "$root"/calltrace/{call_record,trace_file,traced_ops,traced_exports}.cpp \
      "$root"/platform/{platform_posix,profile_reader,fatal_note_posix}.cpp "$root/textesc/text_escape.cpp" \
      "$root"/textread/*.cpp "$root/boardlib/zkt_names.cpp" -o "$program" 2>"$program.log"; then
    echo "Reading a recording on 32-bit x86: not measured, no 32-bit build here" \
      "(Debian: g++-multilib; the compiler's messages are in $program.log)"
    return
  fi
  local folder="$build/recording-x86"
  rm -rf "$folder" && mkdir -p "$folder"
  # Sessions from their ZKT_init on: the reader's one call is the first.
  grep -v '^ZKT_displayMode' "$root/tests/e2e/cases/reference-example/expected.trace" \
    >"$folder/recording.log"
  while (($(stat -c %s "$folder/recording.log") <= 32 * 1024 * 1024)); do
    cat "$folder/recording.log" "$folder/recording.log" >"$folder/double.log"
    mv "$folder/double.log" "$folder/recording.log"
  done
  # Filled up to 64 MiB with its own first lines, the last one cut whole.
  local room=$((64 * 1024 * 1024 - $(stat -c %s "$folder/recording.log")))
  head -c "$room" "$folder/recording.log" | sed '$d' >>"$folder/recording.log"
  printf 'ZKT_init(configFile="zkt.ini") = 0, count=0\n' >"$folder/one-call.log"
  local how="natively" runner=() status=0
  # A kernel without 32-bit support refuses the program: the shell answers 126.
  "$program" "$folder/none" >/dev/null 2>&1 || status=$?
  if ((status == 126)); then
    if ! command -v qemu-i386 >/dev/null; then
      echo "Reading a recording on 32-bit x86: not measured, this kernel does not run" \
        "32-bit programs and qemu-i386 is missing (Debian: qemu-user)"
      return
    fi
    how="under qemu-i386" runner=(qemu-i386)
  fi
  local name
  for name in one-call recording; do
    printf '[Library]\nReplay = %s.log\n' "$name" >"$folder/zkt.ini"
    local figures
    figures="$("${runner[@]}" "$program" "$folder")" || {
      echo "Reading a recording on 32-bit x86: $program failed on $name.log"
      return 1
    }
    echo "Reading a recording on 32-bit x86 ($how): $name.log," \
      "$(stat -c %s "$folder/$name.log") bytes: ZKT_init ${figures% *} s," \
      "peak resident ${figures#* } KiB"
  done
  rm -rf "$folder"
}
recording_reader_x86

exec "$build/bin/quilmar_bench" "$@"
