#include "support/close_failure.h"

namespace albumdl::testing {

// Files are closed with CloseHandle, which a test cannot stand in for without
// patching the system's own library.
bool CloseFailuresCanBePlanted() { return false; }

void FailNextClose(int) {}

}  // namespace albumdl::testing
