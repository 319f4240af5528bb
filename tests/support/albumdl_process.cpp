#include "support/albumdl_process.h"

#include <fstream>
#include <sstream>

#include "support/temp_dir.h"

namespace albumdl::testing {

std::string AlbumdlProgram() { return ALBUMDL_PROGRAM; }

std::string DemoSiteProgram() { return ALBUMDL_DEMO_SITE_PROGRAM; }

std::string ReadNativeFile(const std::string& path) {
  std::ifstream file(NativeFsPath(path), std::ios::binary);
  std::ostringstream content;
  content << file.rdbuf();
  return content.str();
}

void WriteNativeFile(const std::string& path, const std::string& bytes) {
  std::ofstream(NativeFsPath(path), std::ios::binary) << bytes;
}

Child StartProgram(const std::string& program, const std::vector<std::string>& arguments,
                   const std::string& outPath, const std::string& errPath,
                   const std::string& stdinPath) {
  return StartProgram(program, arguments, StandardStreams{stdinPath, outPath, errPath});
}

Child StartAlbumdl(const std::vector<std::string>& arguments, const std::string& outPath,
                   const std::string& errPath, const std::string& stdinPath) {
  return StartProgram(AlbumdlProgram(), arguments, outPath, errPath, stdinPath);
}

Child StartAlbumdl(const std::vector<std::string>& arguments, const StandardStreams& streams) {
  return StartProgram(AlbumdlProgram(), arguments, streams);
}

ProcessOutcome FinishAlbumdl(Child child, const std::string& outPath, const std::string& errPath) {
  ProcessOutcome outcome;
  outcome.status = WaitForChild(child);
  outcome.out = ReadNativeFile(outPath);
  outcome.err = ReadNativeFile(errPath);
  return outcome;
}

std::vector<std::string> DownloadArguments(const std::string& siteHost, const std::string& home,
                                           const std::string& saves,
                                           const std::vector<std::string>& more) {
  std::vector<std::string> arguments{"--site", siteHost, "--pace", "0",
                                     "--home", home,     "-o",     saves};
  arguments.insert(arguments.end(), more.begin(), more.end());
  return arguments;
}

}  // namespace albumdl::testing
