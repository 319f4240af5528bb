// The settings file peizi.ini beside the program.
#pragma once

#include "text/text.h"

namespace albumdl {

// Defined in the .cpp, compiled to code page 936 with the rest of the core: a
// front end whose own literals are UTF-8 may include this header.
extern const Text kSettingsSection;    // 全局设置
extern const Text kSaveFolderKey;      // 保存位置: the save folder
extern const Text kDuplicateKey;       // 下载记录: "1" skips what was saved before
extern const Text kProxyKey;           // 代理服务器: every request goes through it
extern const Text kLanesKey;           // 同时下载数: pictures of an album fetched at once
extern const Text kSyncKey;            // 只取新图: "1" asks only for what is new
extern const Text kLinkDuplicatesKey;  // 相同图片只存一份: "1" keeps one copy of a picture

// The section of the site's addresses, and its keys.
extern const Text kSiteSection;      // 站点设置
extern const Text kSiteHostKey;      // 站点地址
extern const Text kImageHostKey;     // 图片地址
extern const Text kVersionPageKey;   // 版本页面
extern const Text kFeedbackPageKey;  // 反馈页面

// The window's place on the screen, kept from one start to the next.
extern const Text kWindowSection;       // 窗口
extern const Text kWindowPlaceKey;      // 位置: "x,y,width,height" of the normal window
extern const Text kWindowMaximizedKey;  // 最大化: "1" when it was maximized
extern const Text kColumnWidthsKey;     // 列宽: the album list's column widths, "," between

// ProgramDirectory + "\peizi.ini"
Text SettingsPath();
Text ReadSetting(const Text& path, const Text& section, const Text& key,
                 const Text& defaultValue = "");
bool WriteSetting(const Text& path, const Text& section, const Text& key, const Text& value);

}  // namespace albumdl
