#!/bin/sh
# Runs one Windows program of a cross build under Wine:
#   wine-run.sh LOADER PROGRAM [ARGUMENT...]
# WINEPREFIX and the other Wine settings come from the environment.
#
# The first program in a prefix starts the Wine server and the prefix's
# services, which takes a second or more; they keep the program's output
# open while they run, so a caller reading that output (CTest, test
# discovery) would wait for them as well. So a server is started here first,
# detached from our output and staying up a while after the last program,
# and when this call was the one to start it, the services are started by a
# program of our own whose output goes nowhere. A later call finds the server
# running (the start then fails at once) and goes straight to its program.
set -eu
loader=$1
shift
if wineserver -p30 </dev/null >/dev/null 2>&1; then
  # A server that no program ever joins would never end: when the loader
  # cannot start programs here, stop it again and let the program fail.
  if ! "$loader" cmd.exe /c exit </dev/null >/dev/null 2>&1; then
    wineserver -k </dev/null >/dev/null 2>&1 || true
  fi
fi
exec "$loader" "$@"
