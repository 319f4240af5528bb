#include "text/settings.h"

#include "platform/private_profile.h"
#include "platform/program_directory.h"

namespace albumdl {

const Text kSettingsSection = "全局设置";
const Text kSaveFolderKey = "保存位置";
const Text kDuplicateKey = "下载记录";
const Text kProxyKey = "代理服务器";
const Text kLanesKey = "同时下载数";
const Text kSyncKey = "只取新图";
const Text kLinkDuplicatesKey = "相同图片只存一份";

const Text kSiteSection = "站点设置";
const Text kSiteHostKey = "站点地址";
const Text kImageHostKey = "图片地址";
const Text kVersionPageKey = "版本页面";
const Text kFeedbackPageKey = "反馈页面";

const Text kWindowSection = "窗口";
const Text kWindowPlaceKey = "位置";
const Text kWindowMaximizedKey = "最大化";
const Text kColumnWidthsKey = "列宽";

Text SettingsPath() { return platform::ProgramDirectory() + "\\peizi.ini"; }

Text ReadSetting(const Text& path, const Text& section, const Text& key, const Text& defaultValue) {
  return platform::GetPrivateProfileString(path, section, key, defaultValue);
}

bool WriteSetting(const Text& path, const Text& section, const Text& key, const Text& value) {
  return platform::WritePrivateProfileString(path, section, key, value);
}

}  // namespace albumdl
