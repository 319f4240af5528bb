#include "cli/bounded_read.h"

#include <cerrno>
#include <cstdio>
#include <memory>

#include "platform/console.h"
#include "platform/file_system.h"
#include "platform/standard_streams.h"

namespace albumdl::cli {

namespace {

struct FileCloser {
  void operator()(std::FILE* file) const { std::fclose(file); }
};

std::string SizeText(size_t bytes) {
  if (bytes % (1024 * 1024) == 0) return std::to_string(bytes / (1024 * 1024)) + " MiB";
  return std::to_string(bytes) + " bytes";
}

}  // namespace

std::optional<std::string> ReadBounded(const std::string& path, std::string& problem,
                                       size_t mostBytes) {
  std::unique_ptr<std::FILE, FileCloser> owned;
  std::FILE* file = stdin;
  if (path != "-") {
    if (platform::Files().IsFolder(platform::NativePath::FromSystem(path))) {
      problem = "it is a folder, not a file";
      return std::nullopt;
    }
    errno = 0;
    owned.reset(platform::OpenFile(path, "rb"));
    if (!owned) {
      problem = "cannot read it: " + platform::ErrorText(errno == 0 ? ENOENT : errno);
      return std::nullopt;
    }
    file = owned.get();
  }
  // One byte over the bound tells a file of exactly the bound from a longer one.
  std::string content;
  char buffer[64 * 1024];
  while (content.size() <= mostBytes) {
    errno = 0;
    const size_t got = std::fread(buffer, 1, sizeof buffer, file);
    content.append(buffer, got);
    if (got < sizeof buffer) {
      if (std::ferror(file)) {
        problem = "cannot read it: " + platform::ErrorText(errno == 0 ? EIO : errno);
        return std::nullopt;
      }
      break;
    }
  }
  if (content.size() > mostBytes) {
    problem = "it is larger than " + SizeText(mostBytes) + ", more than any list albumdl reads";
    return std::nullopt;
  }
  return content;
}

}  // namespace albumdl::cli
