// ProgramDirectory: where peizi.ini, the record stores and the debug copies live.
#pragma once

#include <string>

namespace albumdl::platform {

// The folder of the running executable as a code page 936 text without a
// trailing separator. ALBUMDL_HOME overrides it; when the executable's folder is
// not writable or is where programs are installed (a bin folder, anything under
// /usr) and no override is set, the per-user data folder ($XDG_DATA_HOME/albumdl,
// else ~/.local/share/albumdl) is used.
std::string ProgramDirectory();
// Overrides the result of ProgramDirectory for this process (--home).
void SetProgramDirectory(const std::string& gbkPath);

}  // namespace albumdl::platform
