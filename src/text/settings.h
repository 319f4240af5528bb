// The settings file peizi.ini beside the program.
#pragma once

#include "text/text.h"

namespace albumdl {

inline const Text kSettingsSection = "全局设置";
inline const Text kSaveFolderKey = "保存位置";
inline const Text kDuplicateKey = "下载记录";

// ProgramDirectory + "\peizi.ini"
Text SettingsPath();
Text ReadSetting(const Text& path, const Text& section, const Text& key,
                 const Text& defaultValue = "");
bool WriteSetting(const Text& path, const Text& section, const Text& key, const Text& value);

}  // namespace albumdl
