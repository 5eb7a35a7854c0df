#!/bin/bash
# Interrupts the tool at the strobe prompt ("Press any key for start !") of
# the synth-start-strobe case, once with each of SIGINT, SIGTERM and SIGHUP,
# its standard input a named pipe that never gets a byte, and checks that
# the run ends as the interrupt asks while leaving no board captured:
# - the strobe is never started (no ZKTctrl_DDS_START, code 0x1806, and no
#   second strobe mode), and the trace ends with the release of the service,
#   the close of the device and ZKT_cleanup: it equals the case's trace
#   without those two calls, byte for byte;
# - standard output is the case's output without the start line and without
#   "Press any key for leaving program...": there is no closing wait;
# - the process ends by the signal itself (shell status 128 + its number).
#   interrupted_run.sh <quilmar> <case folder> <work folder>
set -u
quilmar=$1
case_dir=$2
work=$3

# Background jobs of a script start with SIGINT ignored unless job control
# is on; the tool keeps ignored signals ignored.
set -m
default_signals=""
if env --default-signal=INT,TERM,HUP true 2>/dev/null; then
  default_signals="env --default-signal=INT,TERM,HUP"
fi

failed=0
for signal in INT TERM HUP; do
  dir=$work/$signal
  rm -rf "$dir"
  mkdir -p "$dir"
  cp "$case_dir/zkt.ini" "$case_dir/quilmar.ini" "$dir/"
  # The case's trace without the strobe mode sent again and the start.
  { head -n 15 "$case_dir/expected.trace"; tail -n 3 "$case_dir/expected.trace"; } \
    >"$dir/expected.trace"
  grep -v -x -F -e 'ZKTctrl_DDS_STARTSTROBE: StartStb' \
    -e 'Press any key for leaving program...' "$case_dir/expected.out" >"$dir/expected.out"
  (
    cd "$dir" || exit 1
    mkfifo stdin.fifo
    # Held open for writing here, so that the tool's read waits for good.
    exec 3<>stdin.fifo
    $default_signals "$quilmar" <stdin.fifo >actual.out 2>actual.err &
    pid=$!
    tries=0
    until grep -q -F 'Press any key for start !' actual.out 2>/dev/null; do
      tries=$((tries + 1))
      if [ "$tries" -gt 600 ] || ! kill -0 "$pid" 2>/dev/null; then
        echo "SIG$signal: the tool never reached the strobe prompt"
        kill -KILL "$pid" 2>/dev/null
        exit 1
      fi
      sleep 0.1
    done
    kill -s "$signal" "$pid"
    wait "$pid"
    echo $? >status
  ) || { failed=1; continue; }
  expected_status=$((128 + $(kill -l "$signal")))
  status=$(cat "$dir/status")
  if [ "$status" -ne "$expected_status" ]; then
    echo "SIG$signal: exit status $status, expected $expected_status"
    failed=1
  fi
  if ! cmp -s "$dir/expected.trace" "$dir/trace.log"; then
    echo "SIG$signal: the trace differs from $dir/expected.trace:"
    diff "$dir/expected.trace" "$dir/trace.log"
    failed=1
  fi
  if ! cmp -s "$dir/expected.out" "$dir/actual.out"; then
    echo "SIG$signal: standard output differs from $dir/expected.out:"
    diff "$dir/expected.out" "$dir/actual.out"
    failed=1
  fi
  if [ -s "$dir/actual.err" ]; then
    echo "SIG$signal: standard error is not empty:"
    cat "$dir/actual.err"
    failed=1
  fi
done
exit $failed
