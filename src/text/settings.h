// The settings file peizi.ini beside the program.
#pragma once

#include "text/text.h"

namespace albumdl {

// Defined in the .cpp, compiled to code page 936 with the rest of the core: a
// front end whose own literals are UTF-8 may include this header.
extern const Text kSettingsSection;  // 全局设置
extern const Text kSaveFolderKey;    // 保存位置
extern const Text kDuplicateKey;     // 下载记录

// ProgramDirectory + "\peizi.ini"
Text SettingsPath();
Text ReadSetting(const Text& path, const Text& section, const Text& key,
                 const Text& defaultValue = "");
bool WriteSetting(const Text& path, const Text& section, const Text& key, const Text& value);

}  // namespace albumdl
