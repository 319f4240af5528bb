// How albumdl-demo-site learns that it is asked to end: SIGINT or SIGTERM on
// POSIX systems, Ctrl-C, Ctrl-Break or the console closing on Windows.
#pragma once

namespace demosite {

// Before the server starts its threads: from now on the stop request is kept
// for WaitForStopSignal instead of ending the process, and a client hanging up
// does not end it either.
void CatchStopSignals();

// Returns once a stop was asked for.
void WaitForStopSignal();

}  // namespace demosite
