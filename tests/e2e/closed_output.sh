#!/bin/sh
# Runs the tool and zktdump with a standard output that cannot take their
# lines, and checks that each run still ends as it should, with the whole
# call trace:
# - a pipe whose reader is gone before the first write, as in
#   `quilmar | head -1` once head has exited: quilmar exits 0 with nothing on
#   standard error (the library's clean-up found nothing left open); zktdump
#   closes and cleans up too, then exits 1 with the reason;
# - standard output closed (`>&-`): the trace file must not take its place
#   and receive the program's own lines;
# - quilmar --help into the dead pipe: the help went nowhere, so the run
#   fails with the system's reason, and calls no library. (Help and versions
#   into a closed standard output or a full device are end-to-end cases:
#   the rows of tests/e2e/unwritable-output/rows.)
#   closed_output.sh <quilmar> <zktdump> <case folder> <work folder>
set -eu
quilmar=$1
zktdump=$2
case_dir=$3
work=$4

rm -rf "$work"
mkdir -p "$work"
cp "$case_dir/zkt.ini" "$case_dir/quilmar.ini" "$work/"
cd "$work"
mkfifo stdout.fifo

# The programs start with SIGPIPE at its default action even where this test
# was started with it ignored, so that only their own start-up can ignore it.
default_pipe=""
if env --default-signal=PIPE true 2>/dev/null; then
  default_pipe="env --default-signal=PIPE"
fi

failed=0

# check <what> <status> <expected status> <expected stderr> <expected trace>
# ("-": the run must write no trace)
check() {
  if [ "$2" -ne "$3" ]; then
    echo "$1: exited with status $2 (expected $3)"
    failed=1
  fi
  if [ "$(cat actual.err)" != "$4" ]; then
    echo "$1: standard error is not '$4':"
    cat actual.err
    failed=1
  fi
  if [ "$5" = - ]; then
    if [ -e trace.log ]; then
      echo "$1: wrote a call trace"
      failed=1
    fi
  elif ! cmp -s "$case_dir/$5" trace.log; then
    echo "$1: call trace differs from $case_dir/$5:"
    diff -u "$case_dir/$5" trace.log || true
    failed=1
  fi
  rm -f trace.log actual.err
}

# run_into_dead_pipe <program>: a pipe without a reader, made without a
# race: fd 3 holds the pipe open for reading and writing so that the writing
# end opens at once, then goes.
run_into_dead_pipe() {
  exec 3<>stdout.fifo
  exec 4>stdout.fifo
  exec 3<&-
  status=0
  $default_pipe "$@" </dev/null >&4 2>actual.err || status=$?
  exec 4>&-
}

run_into_dead_pipe "$quilmar"
check "quilmar into a closed pipe" "$status" 0 "" expected.trace

status=0
"$quilmar" </dev/null >&- 2>actual.err || status=$?
check "quilmar with standard output closed" "$status" 0 "" expected.trace

run_into_dead_pipe "$quilmar" --help
check "quilmar --help into a closed pipe" "$status" 1 "quilmar: standard output: Broken pipe" -

run_into_dead_pipe "$zktdump"
check "zktdump into a closed pipe" "$status" 1 "zktdump: standard output: Broken pipe" \
  expected.zktdump.trace

status=0
"$zktdump" </dev/null >&- 2>actual.err || status=$?
check "zktdump with standard output closed" "$status" 1 \
  "zktdump: standard output: Bad file descriptor" expected.zktdump.trace

exit "$failed"
