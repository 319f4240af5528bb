#include <windows.h>

#include "platform/process_id.h"

namespace albumdl::platform {

long ThisProcessId() { return static_cast<long>(::GetCurrentProcessId()); }

}  // namespace albumdl::platform
