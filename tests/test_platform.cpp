// Code pages, files and folders, the settings file, the program folder and the
// run gate, on real files in temporary folders. Literals are GBK at run time.
#include <gtest/gtest.h>

#include <cerrno>

#include <algorithm>
#include <atomic>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <thread>

#include "control/pacer.h"
#include "platform/code_page.h"
#include "platform/environment.h"
#include "platform/file_system.h"
#include "platform/files.h"
#include "platform/path_syntax.h"
#include "platform/program_directory.h"
#include "session/session_setup.h"
#include "support/faulty_file_system.h"
#include "support/temp_dir.h"
#include "support/this_program.h"
#include "text/file_helpers.h"
#include "text/settings.h"

namespace albumdl {
namespace {

namespace fs = std::filesystem;
using testing::TempDir;

std::string Utf8(const char8_t* s) { return reinterpret_cast<const char*>(s); }

using testing::NativeFsPath;

std::string ReadNative(const std::string& path) {
  std::ifstream in(NativeFsPath(path), std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

void WriteNative(const std::string& path, const std::string& bytes) {
  std::ofstream(NativeFsPath(path), std::ios::binary) << bytes;
}

size_t EntriesIn(const std::string& folder) {
  return static_cast<size_t>(std::distance(fs::directory_iterator(NativeFsPath(folder)), {}));
}

// --- code pages -------------------------------------------------------------

TEST(PlatformCodePage, ConvertsBothWaysWithQuestionMarkForTheUnmappable) {
  using platform::MultiByteToWide;
  using platform::WideToMultiByte;
  EXPECT_EQ(MultiByteToWide(936, "中a"), u"中a");
  EXPECT_EQ(WideToMultiByte(936, u"中a"), "中a");
  EXPECT_EQ(WideToMultiByte(936, u"\u20AC"), "\x80");
  EXPECT_EQ(WideToMultiByte(936, u"a\U0001F600b"), "a?b");
  EXPECT_EQ(WideToMultiByte(936, std::u16string(1, char16_t(0xD800))), "?");
  // Invisible characters the code page lacks leave a mark too.
  EXPECT_EQ(WideToMultiByte(936, u"a\u2061b\u200Bc"), "a?b?c");
  EXPECT_EQ(MultiByteToWide(936, "a\xA1"), u"a?");  // a lead byte without its pair
  EXPECT_EQ(MultiByteToWide(65001, Utf8(u8"中\U0001F600")), u"中\U0001F600");
  EXPECT_EQ(WideToMultiByte(65001, u"中\U0001F600"), Utf8(u8"中\U0001F600"));
  EXPECT_EQ(MultiByteToWide(936, std::string("a\0b", 3)), std::u16string(u"a\0b", 3));
  EXPECT_EQ(MultiByteToWide(1252, "a"), u"");  // not a code page we carry
}

TEST(PlatformCodePage, ThreadsConvertAtTheSameTime) {
  std::atomic<int> wrong{0};
  std::vector<std::thread> threads;
  for (int t = 0; t < 4; ++t) {
    threads.emplace_back([&wrong, t] {
      const std::string gbk = t % 2 ? "相册" : "下载";
      const std::u16string wide = t % 2 ? u"相册" : u"下载";
      for (int i = 0; i < 2000; ++i) {
        if (platform::MultiByteToWide(936, gbk) != wide) ++wrong;
        if (platform::WideToMultiByte(936, wide) != gbk) ++wrong;
      }
    });
  }
  for (auto& thread : threads) thread.join();
  EXPECT_EQ(wrong, 0);
}

// --- paths, files and folders -----------------------------------------------

TEST(PlatformFiles, NativePathConvertsBeforeSeparators) {
  // 乗 is 81 5C in code page 936: its trail byte must not become a separator.
  const std::string s(1, platform::NativeSeparator());
  EXPECT_EQ(platform::NativePathOf("a\\乗\\b").str(), "a" + s + Utf8(u8"乗") + s + "b");
  EXPECT_EQ(platform::NativePathOf("/tmp/下载\\图片").str(),
            s + "tmp" + s + Utf8(u8"下载") + s + Utf8(u8"图片"));
  EXPECT_EQ(platform::TextPathOf(platform::NativePath::FromSystem(Utf8(u8"/tmp/乗"))), "/tmp/乗");
  EXPECT_EQ(platform::NativePathOf("\x80").str(), Utf8(u8"€")) << "one byte, but not ASCII";
  // A folder's parent and name, and a root that stays a root.
  const platform::NativePath album = platform::NativePathOf("相册\\乗");
  EXPECT_EQ(album.Parent().str(), Utf8(u8"相册"));
  EXPECT_EQ(album.Name(), Utf8(u8"乗"));
  EXPECT_EQ(platform::NativePath::FromSystem(Utf8(u8"图")).Parent().str(), ".");
  TempDir dir;
  std::string root = dir.Native().substr(0, platform::RootLength(dir.Native()));
  ASSERT_FALSE(root.empty()) << dir.Native();
  EXPECT_EQ((platform::NativePath::FromSystem(root) / "x").Parent().str(), root);
}

// Code page 936 names through the system's calls: what a listing gives back is
// the same name, and a name the code page lacks is told apart.
TEST(PlatformFiles, CodePage936NamesComeBackFromTheListing) {
  TempDir dir;
  const Text names[] = {"相册乗", "1_图.jpg", "中文 空格.png", "\x81\x5C.txt" /* 乗 */};
  for (const Text& name : names) ASSERT_TRUE(platform::WriteWholeFile(dir.File(name), name));
  std::vector<Text> listed;
  for (const std::string& native :
       platform::Files().List(platform::NativePath::FromSystem(dir.Native()))) {
    ASSERT_TRUE(platform::RoundTrips(platform::NativePath::FromSystem(native))) << native;
    listed.push_back(platform::TextPathOf(platform::NativePath::FromSystem(native)));
  }
  std::sort(listed.begin(), listed.end());
  std::vector<Text> expected(std::begin(names), std::end(names));
  std::sort(expected.begin(), expected.end());
  EXPECT_EQ(listed, expected);
  for (const Text& name : names) EXPECT_EQ(platform::ReadWholeFile(dir.File(name)), name);
  // Hangul is not in code page 936: the name comes back with "?".
  WriteNative(dir.NativeFile(Utf8(u8"한글")), "x");
  bool seen = false;
  for (const std::string& native :
       platform::Files().List(platform::NativePath::FromSystem(dir.Native()))) {
    if (native != Utf8(u8"한글")) continue;
    seen = true;
    EXPECT_FALSE(platform::RoundTrips(platform::NativePath::FromSystem(native)));
  }
  EXPECT_TRUE(seen);
}

// Paths far past 260 characters (the old Windows limit): folders, an atomic
// write, a read, a rename, a listing and a removal all work.
TEST(PlatformFiles, LongPathsWork) {
  TempDir dir;
  Text folder = dir.Path();
  for (int level = 0; level < 12; ++level)
    folder += "\\第" + std::to_string(level) + "层文件夹的名字很长很长";
  ASSERT_GT(platform::NativePathOf(folder).str().size(), 400u);
  ASSERT_TRUE(platform::MakeSureDirectoryPathExists(folder + "\\"));
  EXPECT_TRUE(platform::PathIsDirectoryA(folder));
  const Text file = folder + "\\图片.jpg";
  ASSERT_TRUE(platform::WriteFileAtomically(file, "picture").ok());
  EXPECT_EQ(platform::ReadWholeFile(file), "picture");
  EXPECT_TRUE(platform::FileExists(file));
  const Text moved = folder + "\\改名.jpg";
  ASSERT_TRUE(platform::RenameFile(file, moved));
  EXPECT_EQ(platform::Files().List(platform::NativePathOf(folder)),
            std::vector<std::string>{Utf8(u8"改名.jpg")});
  EXPECT_TRUE(platform::RemoveFile(moved));
  EXPECT_FALSE(platform::FileExists(moved));
  EXPECT_TRUE(platform::Files().List(platform::NativePathOf(folder)).empty());
}

TEST(PlatformFiles, ShownPathsHaveThisSystemsSeparatorsOnly) {
  // The expectations are written with "/"; on Windows they read with "\".
  const auto native = [](Text path) {
    for (char& c : path) {
      if (c == '/') c = platform::NativeSeparator();
    }
    return path;
  };
  // A save folder given with "/" and the names the program joins with "\".
  EXPECT_EQ(platform::ShownPath("/tmp/save\\旅行Travel2023相册_travel\\"),
            native("/tmp/save/旅行Travel2023相册_travel/"));
  EXPECT_EQ(platform::ShownPath("/tmp/save/\\cat_\\1_2.jpg"), native("/tmp/save/cat_/1_2.jpg"));
  EXPECT_EQ(platform::ShownPath("a\\乗\\b"), "a" + native("/") + "乗" + native("/") + "b");
  EXPECT_EQ(platform::ShownPath("a\\乗"), "a" + native("/") + "乗");
  EXPECT_EQ(platform::ShownPath("a\x80\\b"), "a\x80" + native("/") + "b");
  EXPECT_EQ(platform::ShownPath(""), "");
}

TEST(PlatformFiles, WriteReadRenameRemove) {
  TempDir dir;
  const Text folder = dir.File("相册乗");
  ASSERT_TRUE(platform::MakeSureDirectoryPathExists(folder + "\\"));
  const Text file = folder + "\\1_图.jpg";
  const std::string bytes("\0\xFF\r\n\x80 data", 10);

  EXPECT_FALSE(platform::FileExists(file));
  EXPECT_FALSE(platform::ReadWholeFile(file).has_value());
  ASSERT_TRUE(platform::WriteWholeFile(file, bytes));
  EXPECT_TRUE(platform::FileExists(file));
  EXPECT_EQ(ReadNative(dir.NativeFile(Utf8(u8"相册乗/1_图.jpg"))), bytes);
  EXPECT_EQ(platform::ReadWholeFile(file), bytes);
  ASSERT_TRUE(platform::WriteWholeFile(file, "short"));  // truncates
  EXPECT_EQ(platform::ReadWholeFile(file), "short");

  EXPECT_FALSE(platform::FileExists(folder));
  EXPECT_FALSE(platform::ReadWholeFile(folder).has_value());
  EXPECT_FALSE(platform::WriteWholeFile(dir.File("missing\\x"), "x"));

  const Text moved = folder + "\\2.jpg";
  ASSERT_TRUE(platform::RenameFile(file, moved));
  EXPECT_FALSE(platform::FileExists(file));
  EXPECT_EQ(platform::ReadWholeFile(moved), "short");
  EXPECT_TRUE(platform::RemoveFile(moved));
  EXPECT_FALSE(platform::FileExists(moved));
  EXPECT_FALSE(platform::RemoveFile(moved));
}

TEST(PlatformFiles, AtomicWriteReplacesWholeAndLeavesNothingBehind) {
  TempDir dir;
  const Text file = dir.File("peizi.ini");
  ASSERT_TRUE(platform::WriteFileAtomically(file, "first").ok());
  ASSERT_TRUE(platform::WriteFileAtomically(file, "second, longer").ok());
  EXPECT_EQ(platform::ReadWholeFile(file), "second, longer");
  EXPECT_EQ(EntriesIn(dir.Native()), 1u);

  // A folder in the way: the write fails and no temporary file stays.
  ASSERT_TRUE(platform::MakeSureDirectoryPathExists(dir.File("taken\\")));
  EXPECT_EQ(platform::WriteFileAtomically(dir.File("taken"), "x").error(), EISDIR);
  EXPECT_EQ(EntriesIn(dir.Native()), 2u);
  const platform::FileStatus missing = platform::WriteFileAtomically(dir.File("missing\\x"), "x");
  EXPECT_EQ(missing.error(), ENOENT);
  EXPECT_EQ(missing.Reason(), "文件夹不存在");
}

// A second name of a file, put in place over what was there; over a name of
// the same file already (renaming one name over the other does nothing), or
// where it cannot be made, no temporary name stays.
TEST(PlatformFiles, AtomicLinkGivesASecondNameAndLeavesNothingBehind) {
  TempDir dir;
  const auto native = [&](const std::string& name) {
    return platform::NativePath::FromSystem(dir.NativeFile(name));
  };
  WriteNative(dir.NativeFile("saved.jpg"), "picture");
  WriteNative(dir.NativeFile("old.jpg"), "an older picture");
  ASSERT_TRUE(platform::LinkFileAtomically(native("saved.jpg"), native("old.jpg")).ok());
  ASSERT_TRUE(platform::LinkFileAtomically(native("saved.jpg"), native("new.jpg")).ok());
  ASSERT_TRUE(platform::LinkFileAtomically(native("saved.jpg"), native("new.jpg")).ok());
  EXPECT_EQ(ReadNative(dir.NativeFile("old.jpg")), "picture");
  EXPECT_TRUE(fs::equivalent(NativeFsPath(dir.NativeFile("saved.jpg")),
                             NativeFsPath(dir.NativeFile("new.jpg"))));
  EXPECT_TRUE(fs::equivalent(NativeFsPath(dir.NativeFile("saved.jpg")),
                             NativeFsPath(dir.NativeFile("old.jpg"))));
  EXPECT_EQ(EntriesIn(dir.Native()), 3u);
  EXPECT_EQ(platform::LinkFileAtomically(native("gone.jpg"), native("x.jpg")).error(), ENOENT);
  EXPECT_EQ(platform::LinkFileAtomically(native("saved.jpg"), native("no/x.jpg")).error(), ENOENT);
  EXPECT_EQ(EntriesIn(dir.Native()), 3u);
}

TEST(PlatformFiles, MakeSureDirectoryPathExists) {
  TempDir dir;
  EXPECT_TRUE(platform::MakeSureDirectoryPathExists(dir.File("a\\下载\\c\\")));
  EXPECT_TRUE(fs::is_directory(NativeFsPath(dir.NativeFile(Utf8(u8"a/下载/c")))));
  EXPECT_TRUE(platform::PathIsDirectoryA(dir.File("a\\下载\\c")));
  EXPECT_TRUE(platform::MakeSureDirectoryPathExists(dir.File("a\\下载\\c\\")));  // exists
  // The part after the last separator is a file name and is not created.
  EXPECT_TRUE(platform::MakeSureDirectoryPathExists(dir.File("b\\name")));
  EXPECT_TRUE(fs::is_directory(NativeFsPath(dir.NativeFile("b"))));
  EXPECT_FALSE(fs::exists(NativeFsPath(dir.NativeFile("b/name"))));
  // A file where a folder should be.
  WriteNative(dir.NativeFile("file"), "x");
  EXPECT_FALSE(platform::MakeSureDirectoryPathExists(dir.File("file\\sub\\")));
  EXPECT_FALSE(platform::PathIsDirectoryA(dir.File("file")));
  EXPECT_FALSE(platform::PathIsDirectoryA(""));
}

TEST(PlatformEnsureDirectory, AddsTheSeparatorToTheCallersPath) {
  TempDir dir;
  Text path = dir.File("相册");
  EXPECT_TRUE(EnsureDirectory(path));
  EXPECT_EQ(path, dir.File("相册\\"));
  EXPECT_TRUE(fs::is_directory(NativeFsPath(dir.NativeFile(Utf8(u8"相册")))));

  EXPECT_TRUE(EnsureDirectory(path));  // exists already: unchanged
  EXPECT_EQ(path, dir.File("相册\\"));
  EXPECT_EQ(EntriesIn(dir.NativeFile(Utf8(u8"相册"))), 0u);

  // Creation fails, the separator is added all the same.
  WriteNative(dir.NativeFile("file"), "x");
  Text blocked = dir.File("file\\sub");
  EXPECT_FALSE(EnsureDirectory(blocked));
  EXPECT_EQ(blocked, dir.File("file\\sub\\"));

  // A name ending in 乗 ends in the byte 5C, but not in a separator.
  Text trail = dir.File("乗");
  EXPECT_TRUE(EnsureDirectory(trail));
  EXPECT_EQ(trail, dir.File("乗\\"));
  EXPECT_TRUE(fs::is_directory(NativeFsPath(dir.NativeFile(Utf8(u8"乗")))));
}

// --- settings ---------------------------------------------------------------

class Settings : public ::testing::Test {
 protected:
  TempDir dir;
  Text ini = dir.File("peizi.ini");
  std::string nativeIni = dir.NativeFile("peizi.ini");
};

TEST_F(Settings, NoFileGivesTheDefaultAndCreatesNothing) {
  EXPECT_EQ(ReadSetting(ini, kSettingsSection, kDuplicateKey, "0"), "0");
  EXPECT_EQ(ReadSetting(ini, kSettingsSection, kSaveFolderKey), "");
  EXPECT_EQ(ReadSetting(ini, kSettingsSection, kSaveFolderKey, "d  "), "d");
  EXPECT_FALSE(fs::exists(NativeFsPath(nativeIni)));
}

TEST_F(Settings, ValuesAsTheWindowsReaderReturnsThem) {
  WriteNative(
      nativeIni,
      "[全局设置]\r\n下载记录=1\r\n保存位置=   D:\\图片  \r\n时间段=true\r\n"
      "q=\"a b\"\r\nsingle='D:\\x'\r\nmixed='a\"\r\nempty=\r\n\r\n[other]\r\n下载记录=0\r\n");
  EXPECT_EQ(ReadSetting(ini, kSettingsSection, kDuplicateKey, "0"), "1");
  EXPECT_EQ(ReadSetting(ini, kSettingsSection, kSaveFolderKey), "D:\\图片");
  EXPECT_EQ(ReadSetting(ini, kSettingsSection, "时间段", "0"), "true");
  EXPECT_EQ(ReadSetting(ini, kSettingsSection, "q"), "a b");
  EXPECT_EQ(ReadSetting(ini, kSettingsSection, "single"), "D:\\x");
  EXPECT_EQ(ReadSetting(ini, kSettingsSection, "mixed"), "'a\"");
  EXPECT_EQ(ReadSetting(ini, kSettingsSection, "empty", "x"), "");
  EXPECT_EQ(ReadSetting(ini, kSettingsSection, "absent", "x"), "x");
  EXPECT_EQ(ReadSetting(ini, "other", kDuplicateKey, "x"), "0");
  EXPECT_EQ(ReadSetting(ini, "absent", kDuplicateKey, "x"), "x");
}

TEST_F(Settings, NamesIgnoreLetterCaseAndLeadingControlCharacters) {
  WriteNative(nativeIni, "[Global]\nSaveDir=x\n[癆]\nk=b041\n");
  EXPECT_EQ(ReadSetting(ini, "GLOBAL", "savedir"), "x");
  EXPECT_EQ(ReadSetting(" \t" + ini, "\t Global", "\x01SaveDir"), "x");
  EXPECT_EQ(ReadSetting(ini, "癆", "K"), "b041");
  EXPECT_EQ(ReadSetting(ini, "癮", "k", "other"), "other");  // not the same section
  // Nothing left after skipping: empty, not the default.
  EXPECT_EQ(ReadSetting(ini, "  ", "SaveDir", "d"), "");
  EXPECT_EQ(ReadSetting(ini, "Global", "", "d"), "");
  EXPECT_EQ(ReadSetting(" ", "Global", "SaveDir", "d"), "");
}

TEST_F(Settings, LongValuesAreCut) {
  WriteNative(nativeIni, "[s]\r\na=" + std::string(12000, 'x') + "\r\n");
  EXPECT_EQ(ReadSetting(ini, "s", "a"), std::string(10239, 'x'));
  // Double-byte characters are not cut in half: 5119 whole characters.
  Text chinese;
  for (int i = 0; i < 6000; ++i) chinese += "中";
  ASSERT_TRUE(WriteSetting(ini, "s", "b", chinese));
  EXPECT_EQ(ReadSetting(ini, "s", "b"), chinese.substr(0, 10238));
}

TEST_F(Settings, WriteCreatesTheFileInCodePage936) {
  ASSERT_TRUE(WriteSetting(ini, kSettingsSection, kDuplicateKey, "1"));
  EXPECT_EQ(ReadNative(nativeIni), "[全局设置]\r\n下载记录=1\r\n");
  ASSERT_TRUE(WriteSetting(ini, kSettingsSection, kSaveFolderKey, "/home/u/图片"));
  ASSERT_TRUE(WriteSetting(ini, kSettingsSection, kDuplicateKey, "0"));
  EXPECT_EQ(ReadSetting(ini, kSettingsSection, kDuplicateKey), "0");
  EXPECT_EQ(ReadSetting(ini, kSettingsSection, kSaveFolderKey), "/home/u/图片");
  EXPECT_FALSE(WriteSetting(dir.File("missing\\peizi.ini"), kSettingsSection, "k", "v"));
}

TEST_F(Settings, WriteKeepsEverythingElse) {
  WriteNative(nativeIni,
              "; made by hand\n[other]\nkeep=1\n\n[全局设置]\n; switch\n"
              "下载记录 = 0\nextra=x\n\n[last]\nz=9\n");
  ASSERT_TRUE(WriteSetting(ini, kSettingsSection, kDuplicateKey, "1"));
  ASSERT_TRUE(WriteSetting(ini, kSettingsSection, kSaveFolderKey, "D:\\"));
  ASSERT_TRUE(WriteSetting(ini, "NEW", "k", "v"));
  EXPECT_EQ(ReadNative(nativeIni),
            "; made by hand\n[other]\nkeep=1\n\n[全局设置]\n; switch\n"
            "下载记录=1\nextra=x\n保存位置=D:\\\n\n[last]\nz=9\n\n[NEW]\nk=v\n");
  // Names are found without letter case; the file keeps its own spelling.
  ASSERT_TRUE(WriteSetting(ini, "OTHER", "KEEP", "2"));
  EXPECT_NE(ReadNative(nativeIni).find("[other]\nkeep=2\n"), std::string::npos);
  // A last line without its line end gets one before a key is added after it.
  WriteNative(nativeIni, "[s]\r\na=1");
  ASSERT_TRUE(WriteSetting(ini, "s", "b", "2"));
  EXPECT_EQ(ReadNative(nativeIni), "[s]\r\na=1\r\nb=2\r\n");
}

TEST_F(Settings, WriteRefusesLineBreaksThatWouldAddLines) {
  ASSERT_TRUE(WriteSetting(ini, kSettingsSection, kSaveFolderKey, "a"));
  const std::string before = ReadNative(nativeIni);
  EXPECT_FALSE(WriteSetting(ini, kSettingsSection, kSaveFolderKey, "a\r\n下载记录=1"));
  EXPECT_FALSE(WriteSetting(ini, kSettingsSection, "k=v", "1"));
  EXPECT_EQ(ReadNative(nativeIni), before);
}

TEST_F(Settings, SettingsPathIsBesideTheProgram) {
  platform::SetProgramDirectory(dir.Path());
  EXPECT_EQ(SettingsPath(), ini);
  ASSERT_TRUE(WriteSetting(SettingsPath(), kSettingsSection, kDuplicateKey, "1"));
  EXPECT_TRUE(fs::exists(NativeFsPath(nativeIni)));
  // Pictures fetched at once: 1 to 16, anything else 1.
  for (const auto& [saved, lanes] : {std::pair{"16", 16}, {"17", 1}, {"0", 1}, {"2x", 1}}) {
    ASSERT_TRUE(WriteSetting(SettingsPath(), kSettingsSection, kLanesKey, saved));
    EXPECT_EQ(SavedPictureLanes(), lanes) << saved;
  }
  platform::SetProgramDirectory("");
}

// --- program folder ---------------------------------------------------------

class PlatformProgramDirectory : public ::testing::Test {
 protected:
  void SetUp() override {
    platform::RemoveEnvironmentValue("ALBUMDL_HOME");
    platform::SetProgramDirectory("");
  }
  void TearDown() override { SetUp(); }
};

TEST_F(PlatformProgramDirectory, TheExecutablesFolderWithoutSeparator) {
  // The test program's folder is writable, so it is the program folder.
  const std::string exeFolder = testing::ThisProgramFolder();
  ASSERT_TRUE(platform::FolderTakesWrites(platform::NativePath::FromSystem(exeFolder)));
  EXPECT_EQ(platform::DefaultProgramDirectory(), exeFolder);
  EXPECT_EQ(platform::ProgramDirectory(),
            platform::TextPathOf(platform::NativePath::FromSystem(exeFolder)));
  // The probe leaves nothing behind.
  for (const std::string& name :
       platform::Files().List(platform::NativePath::FromSystem(exeFolder)))
    EXPECT_EQ(name.find(".albumdl-probe"), std::string::npos) << name;
}

// A folder that takes no writes: the per-user data folder instead
// (%APPDATA%\albumdl on Windows, $XDG_DATA_HOME/albumdl elsewhere), made.
TEST_F(PlatformProgramDirectory, AReadOnlyExecutableFolderGivesTheUsersDataFolder) {
  TempDir data;
  platform::SetEnvironmentValue("XDG_DATA_HOME", data.Native());
  testing::FaultyFileSystem disk;
  disk.under = testing::ThisProgramFolder();
  disk.readOnly = true;
  std::string chosen;
  {
    platform::FileSystemOverride faults(disk);
    EXPECT_FALSE(platform::FolderTakesWrites(platform::NativePath::FromSystem(disk.under)));
    chosen = platform::DefaultProgramDirectory();
  }
  platform::RemoveEnvironmentValue("XDG_DATA_HOME");
  EXPECT_NE(chosen, disk.under);
  EXPECT_EQ(platform::NativePath::FromSystem(chosen).Name(), "albumdl");
  EXPECT_TRUE(platform::Files().IsFolder(platform::NativePath::FromSystem(chosen))) << chosen;
}

TEST_F(PlatformProgramDirectory, EnvironmentAndOverride) {
  TempDir dir;
  const std::string separator(1, platform::NativeSeparator());
  platform::SetEnvironmentValue("ALBUMDL_HOME",
                                dir.Native() + separator + Utf8(u8"下载") + separator);
  EXPECT_EQ(platform::ProgramDirectory(), dir.Path() + separator + "下载");
  platform::SetProgramDirectory(dir.File("乗\\"));
  EXPECT_EQ(platform::ProgramDirectory(), dir.File("乗"));
  platform::SetProgramDirectory("");
  EXPECT_EQ(platform::ProgramDirectory(), dir.Path() + separator + "下载");
}

// --- run gate and pacers ----------------------------------------------------

// Waits until a worker thread has got as far as the gate.
void AwaitStarted(const std::atomic<bool>& started) {
  while (!started) std::this_thread::yield();
}

TEST(PacerGate, PauseHoldsUntilContinue) {
  RunGate gate;
  EXPECT_TRUE(gate.Pass());
  gate.Pause();
  EXPECT_TRUE(gate.Paused());
  std::atomic<bool> started{false}, passed{false};
  bool result = false;
  std::thread worker([&] {
    started = true;
    result = gate.Pass();
    passed = true;
  });
  AwaitStarted(started);
  std::this_thread::sleep_for(std::chrono::milliseconds(20));
  EXPECT_FALSE(passed);  // still held: only Continue or End lets it go
  gate.Continue();
  worker.join();
  EXPECT_TRUE(result);
  EXPECT_FALSE(gate.Paused());
}

TEST(PacerGate, EndReleasesAPausedPassAndALongWait) {
  RunGate gate;
  gate.Pause();
  bool pausedResult = true, waitingResult = true;
  std::atomic<bool> started{false};
  std::thread paused([&] { pausedResult = gate.Pass(); });
  std::thread waiting([&] {
    started = true;
    waitingResult = gate.WaitFor(24 * 3600 * 1000);
  });
  AwaitStarted(started);
  gate.End();
  paused.join();
  waiting.join();
  EXPECT_FALSE(pausedResult);
  EXPECT_FALSE(waitingResult);
  EXPECT_TRUE(gate.Ended());
  EXPECT_FALSE(gate.Pass());
  EXPECT_FALSE(gate.WaitFor(0));
  gate.Reset();
  EXPECT_FALSE(gate.Ended());
  EXPECT_FALSE(gate.Paused());
  EXPECT_TRUE(gate.Pass());
}

TEST(PacerGate, RealPacerWaitsThroughItsGate) {
  RunGate gate;
  // A pause kept where there should be none is cut short by an end ten
  // seconds in, which the wait then reports.
  RunGate guard;
  std::thread watch([&] {
    if (guard.WaitFor(10000)) gate.End();
  });
  const int day = 24 * 3600 * 1000;
  RealPacer pacer(gate, 0.0);  // no pauses, but the gate still acts
  EXPECT_TRUE(pacer.PumpingWait(day));
  EXPECT_TRUE(pacer.PumpingWaitSince(PaceClock::now(), day));
  EXPECT_TRUE(RealPacer(gate).PumpingWaitSince(PaceClock::now() - std::chrono::hours(25), day))
      << "the whole pause lay in the work since";
  guard.End();
  watch.join();
  RealPacer slow(gate);
  std::thread ender([&] { gate.End(); });
  EXPECT_FALSE(slow.PumpingWait(day));  // returns once End is called
  ender.join();
  EXPECT_FALSE(pacer.PumpingWait(1000));
}

TEST(PacerGate, FinishAndEndExcludeEachOther) {
  RunGate finished;
  EXPECT_TRUE(finished.Finish());
  EXPECT_FALSE(finished.End()) << "a finished run is not ended afterwards";
  EXPECT_FALSE(finished.Ended());

  RunGate ended;
  EXPECT_TRUE(ended.End());
  EXPECT_FALSE(ended.Finish()) << "an ended run does not finish";
  ended.Reset();
  EXPECT_TRUE(ended.Finish()) << "a new run starts afresh";
  ended.Reset();
  EXPECT_TRUE(ended.End()) << "a run after a finished one can be ended";
}

}  // namespace
}  // namespace albumdl
