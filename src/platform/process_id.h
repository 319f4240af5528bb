// The running process's id, as the temporary file names carry it.
#pragma once

namespace albumdl::platform {

long ThisProcessId();

}  // namespace albumdl::platform
