#!/bin/sh
# Runs the tool with a standard output whose reader is gone before the first
# write, as in `quilmar | head -1` once head has exited, and checks that the
# run still ends as it should: exit status 0, nothing on standard error (the
# library's clean-up found nothing left open) and the whole call trace.
#   closed_output.sh <quilmar> <case folder> <work folder>
set -eu
quilmar=$1
case_dir=$2
work=$3

rm -rf "$work"
mkdir -p "$work"
cp "$case_dir/zkt.ini" "$case_dir/quilmar.ini" "$work/"
cd "$work"

# A pipe without a reader, made without a race: fd 3 holds the pipe open for
# reading and writing so that the writing end opens at once, then goes.
mkfifo stdout.fifo
exec 3<>stdout.fifo
exec 4>stdout.fifo
exec 3<&-

# The tool starts with SIGPIPE at its default action even where this test was
# started with it ignored, so that only the tool's own start-up can ignore it.
default_pipe=""
if env --default-signal=PIPE true 2>/dev/null; then
  default_pipe="env --default-signal=PIPE"
fi

status=0
$default_pipe "$quilmar" </dev/null >&4 2>actual.err || status=$?
exec 4>&-

failed=0
if [ "$status" -ne 0 ]; then
  echo "quilmar exited with status $status (expected 0)"
  failed=1
fi
if [ -s actual.err ]; then
  echo "standard error not empty:"
  cat actual.err
  failed=1
fi
if ! cmp -s "$case_dir/expected.trace" trace.log; then
  echo "call trace differs from $case_dir/expected.trace:"
  diff -u "$case_dir/expected.trace" trace.log || true
  failed=1
fi
exit "$failed"
