#!/bin/bash
# Interrupts the tool at the first strobe prompt ("Press any key for start !")
# of each case given (synth-start-strobe, and synth-start-strobe-two-boards,
# whose second board a walk that went on after the interrupt would reach),
# once with each of SIGINT, SIGTERM and SIGHUP, its standard input a named
# pipe that never gets a byte, and checks that the run ends as the interrupt
# asks while leaving no board captured and touching no other board:
# - the strobe is never started (no ZKTctrl_DDS_START, code 0x1806, and no
#   second strobe mode), and the trace ends with the release of the service,
#   the close of the device and ZKT_cleanup: it equals the case's trace up to
#   the strobe mode sent again before the start, then the first release and
#   close after the start and the last line, byte for byte;
# - standard output is the case's output up to the first prompt, then the
#   close and the cleanup: there is no closing wait;
# - the process ends by the signal itself (shell status 128 + its number).
#   interrupted_run.sh <quilmar> <work folder> <case folder>...
set -u
quilmar=$1
work=$2
shift 2

# Background jobs of a script start with SIGINT ignored unless job control
# is on; the tool keeps ignored signals ignored.
set -m
default_signals=""
if env --default-signal=INT,TERM,HUP true 2>/dev/null; then
  default_signals="env --default-signal=INT,TERM,HUP"
fi

failed=0
for case_dir in "$@"; do
  for signal in INT TERM HUP; do
    dir=$work/$(basename "$case_dir")/$signal
    rm -rf "$dir"
    mkdir -p "$dir"
    cp "$case_dir/zkt.ini" "$case_dir/quilmar.ini" "$dir/"
    # The case's trace without the strobe mode sent again and the start, and
    # without anything after the first board's release and close.
    awk '/code=0x1806,/ && !start { start = NR }
      { line[NR] = $0 }
      END {
        for (i = 1; i <= start - 2; ++i) print line[i]
        for (i = start + 1; i <= NR && !released; ++i)
          if (line[i] ~ /^ZKT_release\(/) { print line[i]; released = 1 }
        for (i = start + 1; i <= NR && !closed; ++i)
          if (line[i] ~ /^ZKT_close\(/) { print line[i]; closed = 1 }
        print line[NR]
      }' "$case_dir/expected.trace" >"$dir/expected.trace"
    awk '{ print } /^Press any key for start !$/ {
        print ""; print "ZKT_close: OK"; print "ZKT_cleanup: OK"; exit }' \
      "$case_dir/expected.out" >"$dir/expected.out"
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
          echo "$case_dir, SIG$signal: the tool never reached the strobe prompt"
          kill -KILL "$pid" 2>/dev/null
          exit 1
        fi
        sleep 0.1
      done
      kill -s "$signal" "$pid"
      wait "$pid"
      echo $? >status
    ) || { failed=1; continue; }
    signal_run="$(basename "$case_dir"), SIG$signal"
    expected_status=$((128 + $(kill -l "$signal")))
    status=$(cat "$dir/status")
    if [ "$status" -ne "$expected_status" ]; then
      echo "$signal_run: exit status $status, expected $expected_status"
      failed=1
    fi
    if ! cmp -s "$dir/expected.trace" "$dir/trace.log"; then
      echo "$signal_run: the trace differs from $dir/expected.trace:"
      diff "$dir/expected.trace" "$dir/trace.log"
      failed=1
    fi
    if ! cmp -s "$dir/expected.out" "$dir/actual.out"; then
      echo "$signal_run: standard output differs from $dir/expected.out:"
      diff "$dir/expected.out" "$dir/actual.out"
      failed=1
    fi
    if [ -s "$dir/actual.err" ]; then
      echo "$signal_run: standard error is not empty:"
      cat "$dir/actual.err"
      failed=1
    fi
  done
done
exit $failed
