#include "session/session_setup.h"

#include <filesystem>
#include <string>
#include <system_error>

#include "model/run_report.h"
#include "net/proxy.h"
#include "net/url_cookies.h"
#include "platform/environment.h"
#include "platform/file_system.h"
#include "platform/native_path.h"
#include "platform/program_directory.h"
#include "text/settings.h"

namespace albumdl {
namespace {

// Native paths are UTF-8; std::filesystem takes them as such only as char8_t
// (on Windows a plain char string would be read in the ANSI code page).
std::string Absolute(const std::string& nativePath) {
  std::error_code error;
  const std::u8string utf8(nativePath.begin(), nativePath.end());
  const auto absolute = std::filesystem::absolute(utf8, error);
  if (error) return nativePath;
  const std::u8string normal = absolute.lexically_normal().u8string();
  return std::string(normal.begin(), normal.end());
}

// A configured address never ends in "/": the site's paths are appended to it.
Text SiteAddress(const std::string& utf8) {
  Text address = TextTrim(Utf8ToAnsi(utf8));
  while (!address.empty() && address.back() == '/') address.pop_back();
  return address;
}

Site ConfiguredSite(const SessionOptions& options) {
  Site site = ReadSiteSettings(SettingsPath());
  if (!options.site.empty()) {
    // The stand-in site serves the pictures, the version and the feedback
    // pages under its own address.
    site.siteHost = SiteAddress(options.site);
    site.imageHost = site.siteHost + "/img";
    site.versionPage = site.siteHost + "/version";
    site.feedbackPage = site.siteHost + "/feedback";
  }
  if (!options.imageHost.empty()) site.imageHost = SiteAddress(options.imageHost);
  return site;
}

}  // namespace

std::optional<Text> NameableFolder(const std::string& nativePath) {
  const auto native = platform::NativePath::FromSystem(Absolute(nativePath));
  const Text named = platform::TextPathOf(native);
  if (platform::NativePathOf(named) != native) return std::nullopt;
  return named;
}

SetupRefusal FolderRefusal(const std::string& option, const std::string& nativePath) {
  return {option, Absolute(nativePath),
          "the folder name holds characters outside code page 936 (or a \"\\\"), which the "
          "program cannot keep; choose another folder"};
}

SessionSetup SetUpSession(const SessionOptions& options) {
  const auto refuse = [](SetupRefusal refusal) {
    return SessionSetup{nullptr, std::move(refusal)};
  };
  // Folder names are checked before anything is made.
  if (!options.home.empty()) {
    if (!NameableFolder(options.home)) return refuse(FolderRefusal("--home", options.home));
  } else if (const std::string variable = platform::EnvironmentValue("ALBUMDL_HOME");
             !variable.empty()) {
    if (!NameableFolder(variable)) return refuse(FolderRefusal("ALBUMDL_HOME", variable));
  }
  if (!options.home.empty()) {
    const std::string home = Absolute(options.home);
    if (!platform::Files().CreateFolders(platform::NativePath::FromSystem(home)).ok())
      return refuse({"--home", options.home, "cannot use it as the program directory"});
    platform::SetProgramDirectory(*NameableFolder(home));
  }
  // Made only now: its program directory is the one just set.
  auto session = std::make_unique<Session>();
  session->site = ConfiguredSite(options);
  SetDefaultProxy(options.proxy.empty() ? SavedProxy() : Utf8ToAnsi(options.proxy));
  if (options.cookieText)
    session->cookies.LoadCookieText(*options.cookieText, session->site.siteHost);
  return {std::move(session), {}};
}

Text SavedSaveFolder(const Session& session) { return SavedSaveFolder(session.programDirectory); }

Text SavedSaveFolder(const Text& whenNone) {
  const Text saved = ReadSetting(SettingsPath(), kSettingsSection, kSaveFolderKey);
  return saved.empty() ? whenNone : saved;
}

std::optional<Text> CheckedSiteAddress(const Text& typed) {
  Text address = TextTrim(typed);
  while (!address.empty() && address.back() == '/') address.pop_back();
  const Text lower = TextLower(address);
  const bool http = lower.rfind("http://", 0) == 0 || lower.rfind("https://", 0) == 0;
  if (!http || UrlHost(address).empty()) return std::nullopt;
  for (unsigned char c : address)
    if (c <= 0x20 || c == 0x7F) return std::nullopt;
  return address;
}

bool SavedDuplicateSwitch() {
  return ReadSetting(SettingsPath(), kSettingsSection, kDuplicateKey, "0") == "1";
}

Text SavedProxy() { return TextTrim(ReadSetting(SettingsPath(), kSettingsSection, kProxyKey)); }

int SavedPictureLanes() {
  const Text value = TextTrim(ReadSetting(SettingsPath(), kSettingsSection, kLanesKey));
  if (value.empty() || value.size() > 2 || value.find_first_not_of("0123456789") != Text::npos)
    return 1;
  const int lanes = std::stoi(value);
  return lanes >= 1 && lanes <= kMostPictureLanes ? lanes : 1;
}

bool SavedSyncSwitch() {
  return ReadSetting(SettingsPath(), kSettingsSection, kSyncKey, "0") == "1";
}

bool SavedLinkDuplicatesSwitch() {
  return ReadSetting(SettingsPath(), kSettingsSection, kLinkDuplicatesKey, "0") == "1";
}

}  // namespace albumdl
