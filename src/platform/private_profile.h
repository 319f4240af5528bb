// INI reading and writing with the rules of the Windows private-profile functions.
// The file and all texts are code page 936.
#pragma once

#include <string>

namespace albumdl::platform {

// At most 10,239 bytes of value. Characters up to 32 are skipped at the start of
// path, section and key; empty result when any is empty afterwards. Section and
// key names compare without letter case. Missing file, section or key: the default.
std::string GetPrivateProfileString(const std::string& path, const std::string& section,
                                    const std::string& key, const std::string& defaultValue);
// Writes or replaces the key; creates the file and section as needed and keeps
// everything else of the file.
bool WritePrivateProfileString(const std::string& path, const std::string& section,
                               const std::string& key, const std::string& value);

}  // namespace albumdl::platform
