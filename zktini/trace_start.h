// Starting the call trace that a library writes for the zkt.ini it is given:
// the simulator's, from the file's Trace path, and the tracing proxy's, from
// its environment, both kept off the zkt.ini itself and the recording it
// replays.
#ifndef QUILMAR_ZKTINI_TRACE_START_H
#define QUILMAR_ZKTINI_TRACE_START_H

// How a library words the messages of its trace: each starts with prefix
// ("zkt: "); the zkt.ini is named "<settingsNamed> '<file>'" when the trace
// would overwrite it; a trace that cannot be opened ends "; <noTrace>", a
// write failure "; the trace stops<afterWriteFailure>". A path the user set
// in the environment is shown with its control bytes escaped only, one from
// a file with every byte outside printable ASCII escaped.
struct TraceStartWords {
    const char *prefix;
    const char *settingsNamed;
    const char *noTrace;
    const char *afterWriteFailure;
    bool pathFromEnvironment;
};

// Starts the trace at tracePath (empty: none; the held-back calls are
// dropped), never over configFile (null: none named) nor the recording it
// names, even in a file refused as malformed. A trace already open at
// tracePath, from an earlier session of the process, goes on: the trace
// covers the process, as a recording must. Write failures are told from
// here on, in words, which must outlive the trace.
void ZktIniStartTrace(const TraceStartWords &words, const char *configFile, const char *tracePath);

#endif  // QUILMAR_ZKTINI_TRACE_START_H
