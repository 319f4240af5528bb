// A close() that fails after it has closed the file, as on a network file
// system, where a file's data reaches the server only then.
#pragma once

namespace albumdl::testing {

// Whether this system lets a test plant such a failure.
bool CloseFailuresCanBePlanted();

// The next close() of a file on this thread reports `error` (an errno) once
// it has closed the file; 0 takes an unused one back.
void FailNextClose(int error);

}  // namespace albumdl::testing
