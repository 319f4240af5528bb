// One set-up of a session for both front ends: the program directory (--home
// or ALBUMDL_HOME), the site (the settings file's section 站点设置, then
// --site and --image-host over it), the proxy (--proxy, else the settings
// file's 代理服务器, else the environment's) and the cookie jar (--cookies).
// The window (src/app/main.cpp) and the command line (src/cli/main.cpp) call
// it with what their options say; what neither gives comes from the settings
// file.
#pragma once

#include <memory>
#include <optional>
#include <string>

#include "session/session.h"
#include "text/text.h"

namespace albumdl {

// As the user gave them: UTF-8 texts and native paths; empty when not given.
struct SessionOptions {
  std::string site = {};       // the site host; its /img, /version and /feedback come with it
  std::string imageHost = {};  // the image host, over what --site gives
  std::string home = {};       // the program directory
  // The text of a Netscape cookies.txt (--cookies), read by the front end.
  std::optional<std::string> cookieText = {};
  std::string proxy = {};  // every request goes through it
};

// What the set-up refused and why, for the user: the option (or variable), the
// value as given (native, UTF-8) and the reason (UTF-8).
struct SetupRefusal {
  std::string option;
  std::string value;
  std::string reason;
};

struct SessionSetup {
  std::unique_ptr<Session> session;  // nullptr when refused
  SetupRefusal refusal;
};

// Makes --home the program directory (creating it), then the session; the
// proxy is set for the whole program (net/proxy.h). Refused: a folder whose
// name the program cannot keep (checked before anything is made), a home that
// cannot be made.
SessionSetup SetUpSession(const SessionOptions& options);

// The one check of folder names, for --home, ALBUMDL_HOME, the save folder of
// both front ends: the absolute folder as the program names it, or nothing
// when its name does not come back unchanged from code page 936 (a character
// the code page lacks would become "?", a "\" a separator: another folder).
std::optional<Text> NameableFolder(const std::string& nativePath);
// The refusal of a folder NameableFolder refuses.
SetupRefusal FolderRefusal(const std::string& option, const std::string& nativePath);

// The settings file's save folder (全局设置/保存位置), else the program directory.
Text SavedSaveFolder(const Session& session);
// The settings file's save folder, else whenNone.
Text SavedSaveFolder(const Text& whenNone);
// The settings file's duplicate switch (全局设置/下载记录): on exactly when "1".
bool SavedDuplicateSwitch();
// The settings file's proxy (全局设置/代理服务器), blanks trimmed.
Text SavedProxy();
// The settings file's pictures fetched at once (全局设置/同时下载数): a whole
// number from 1 to 16; absent or anything else, 1.
int SavedPictureLanes();
// A site address as the user typed it (code page 936), made the way the
// program keeps it: blanks and any trailing "/" gone. Nothing when it is not
// an http or https address with a host.
std::optional<Text> CheckedSiteAddress(const Text& typed);

// The settings file's sync switch (全局设置/只取新图): on exactly when "1".
bool SavedSyncSwitch();
// The settings file's one-copy switch (全局设置/相同图片只存一份): on exactly when "1".
bool SavedLinkDuplicatesSwitch();

}  // namespace albumdl
