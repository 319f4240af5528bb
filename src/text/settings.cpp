#include "text/settings.h"

#include "platform/private_profile.h"
#include "platform/program_directory.h"

namespace albumdl {

const Text kSettingsSection = "全局设置";
const Text kSaveFolderKey = "保存位置";
const Text kDuplicateKey = "下载记录";

Text SettingsPath() { return platform::ProgramDirectory() + "\\peizi.ini"; }

Text ReadSetting(const Text& path, const Text& section, const Text& key, const Text& defaultValue) {
  return platform::GetPrivateProfileString(path, section, key, defaultValue);
}

bool WriteSetting(const Text& path, const Text& section, const Text& key, const Text& value) {
  return platform::WritePrivateProfileString(path, section, key, value);
}

}  // namespace albumdl
