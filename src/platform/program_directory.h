// ProgramDirectory: where peizi.ini, the record stores and the debug copies live.
#pragma once

#include <string>

namespace albumdl::platform {

// The folder of the running executable as a code page 936 text without a
// trailing separator. ALBUMDL_HOME overrides it; when the executable's folder
// cannot be used and no override is set, the per-user data folder is (see
// DefaultProgramDirectory).
std::string ProgramDirectory();
// The folder without override, as this system names it, made when missing:
// the executable's folder when it is writable; else, on Windows,
// %APPDATA%\albumdl; elsewhere also when the executable is where programs
// are installed (a bin folder, anything under /usr), and then
// $XDG_DATA_HOME/albumdl, else ~/.local/share/albumdl. Asked anew on each
// call; ProgramDirectory keeps the first answer.
std::string DefaultProgramDirectory();
// Overrides the result of ProgramDirectory for this process (--home).
void SetProgramDirectory(const std::string& gbkPath);

}  // namespace albumdl::platform
