#!/usr/bin/env bash
# Runs a 32-bit x86 Linux test program: directly where the kernel runs such
# programs, else under qemu-i386. Where neither can, says why and exits 77,
# which CTest reports as skipped (never as passed).
#   run_i386.sh PROGRAM
#   run_i386.sh --unbuilt REASON     (the program could not be built)
set -u
readonly skip=77

if [[ "$1" == --unbuilt ]]; then
  echo "skipped: $2"
  exit "$skip"
fi
program="$1"
if [[ ! -f "$program" ]]; then
  echo "no test program $program: build it first"
  exit 1
fi

# The program passes with 0 and fails with 1 or a signal. A status of 77 is
# not its own and must not read as a skip.
finish() {
  local status="$1"
  ((status == skip)) && status=1
  exit "$status"
}

# A kernel without 32-bit support refuses the program before it starts: the
# shell then answers 126, the program never does.
output="$(mktemp)"
trap 'rm -f "$output"' EXIT
"$program" >"$output" 2>&1
status=$?
if ((status != 126)); then
  echo "run directly"
  cat "$output"
  finish "$status"
fi
refusal="$(tail -n 1 "$output")"
refusal="${refusal##*: }"

if qemu="$(command -v qemu-i386)"; then
  echo "this kernel does not run 32-bit x86 programs ($refusal): run under $qemu"
  "$qemu" "$program"
  finish $?
fi
echo "skipped: this kernel does not run 32-bit x86 programs ($refusal)," \
  "and qemu-i386 is not installed (Debian: qemu-user)"
exit "$skip"
