// The settings reader and writer on any file: a value read is one line's
// worth and no longer than the reader's buffer; a value written reads back
// (trimmed, one pair of quotes off, as the reader takes it), and another key
// reads the same before and after the write.
#include <fuzzer/FuzzedDataProvider.h>
#include <unistd.h>

#include <cctype>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "fuzz_check.h"
#include "platform/private_profile.h"

namespace {

std::string scratchFolder;

void RemoveScratch() { std::filesystem::remove_all(scratchFolder); }

const std::string& ScratchFile() {
  static const std::string path = [] {
    // In memory where there is such a folder: the writer syncs every file it
    // writes, which on a disk would make each run wait for it.
    std::string folder = access("/dev/shm", W_OK) == 0 ? "/dev/shm" : "/tmp";
    folder += "/albumdl-fuzz-profile-XXXXXX";
    if (!mkdtemp(folder.data())) std::abort();
    scratchFolder = folder;
    std::atexit(RemoveScratch);
    return folder + "/peizi.ini";
  }();
  return path;
}

bool Space(char c) { return c == ' ' || (c >= '\t' && c <= '\r'); }

std::string Trim(const std::string& s) {
  size_t begin = 0, end = s.size();
  while (begin < end && Space(s[begin])) ++begin;
  while (end > begin && Space(s[end - 1])) --end;
  return s.substr(begin, end - begin);
}

// A section or key name as the reader takes it: control bytes and blanks
// off the front, blanks off both ends.
std::string Name(const std::string& s) {
  size_t i = 0;
  while (i < s.size() && static_cast<unsigned char>(s[i]) <= 32) ++i;
  return Trim(s.substr(i));
}

// How the reader hands back a value that was written as it is.
std::string AsRead(const std::string& value) {
  std::string v = Trim(value);
  if (v.size() >= 2 && (v.front() == '"' || v.front() == '\'') && v.back() == v.front()) {
    v = v.substr(1, v.size() - 2);
  }
  return v;
}

bool SameNameAscii(const std::string& a, const std::string& b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    if (std::tolower(static_cast<unsigned char>(a[i])) !=
        std::tolower(static_cast<unsigned char>(b[i]))) {
      return false;
    }
  }
  return true;
}

bool Ascii(const std::string& text) {
  for (char c : text) {
    if (static_cast<unsigned char>(c) >= 0x80) return false;
  }
  return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  FuzzedDataProvider input(data, size);
  const std::string section = input.ConsumeRandomLengthString(16);
  const std::string key = input.ConsumeRandomLengthString(16);
  const std::string otherKey = input.ConsumeRandomLengthString(16);
  const std::string value = input.ConsumeRandomLengthString(64);
  const std::string file = input.ConsumeRemainingBytesAsString();
  const std::string& path = ScratchFile();
  std::ofstream(path, std::ios::binary | std::ios::trunc) << file;

  using albumdl::platform::GetPrivateProfileString;
  using albumdl::platform::WritePrivateProfileString;
  const std::string read = GetPrivateProfileString(path, section, key, "default");
  FUZZ_CHECK(read.size() <= 10239);
  FUZZ_CHECK(read.find('\n') == std::string::npos);

  const std::string otherBefore = GetPrivateProfileString(path, section, otherKey, "-");
  if (!WritePrivateProfileString(path, section, key, value)) return 0;
  const std::string back = GetPrivateProfileString(path, section, key, "");
  FUZZ_CHECK(back == AsRead(value));
  // Names match without letter case only for ASCII letters; keep to names
  // whose sameness is plain.
  const std::string trimmedKey = Name(key);
  const std::string trimmedOther = Name(otherKey);
  if (Ascii(trimmedKey) && Ascii(trimmedOther) && !SameNameAscii(trimmedKey, trimmedOther)) {
    FUZZ_CHECK(GetPrivateProfileString(path, section, otherKey, "-") == otherBefore);
  }
  return 0;
}
