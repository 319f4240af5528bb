#include "support/albumdl_process.h"

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>

#include <fstream>
#include <sstream>

extern char** environ;

namespace albumdl::testing {

std::string ReadNativeFile(const std::string& path) {
  std::ifstream file(path, std::ios::binary);
  std::ostringstream content;
  content << file.rdbuf();
  return content.str();
}

pid_t StartAlbumdl(const std::vector<std::string>& arguments, const std::string& outPath,
                   const std::string& errPath, const std::string& stdinPath) {
  const std::string program = ALBUMDL_BINARY_DIR "/src/albumdl";
  posix_spawn_file_actions_t files;
  posix_spawn_file_actions_init(&files);
  posix_spawn_file_actions_addopen(&files, 0, stdinPath.c_str(), O_RDONLY, 0);
  posix_spawn_file_actions_addopen(&files, 1, outPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
  posix_spawn_file_actions_addopen(&files, 2, errPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
  std::vector<char*> argv{const_cast<char*>(program.c_str())};
  for (const std::string& argument : arguments) argv.push_back(const_cast<char*>(argument.c_str()));
  argv.push_back(nullptr);
  pid_t child = -1;
  if (posix_spawn(&child, program.c_str(), &files, nullptr, argv.data(), environ) != 0) child = -1;
  posix_spawn_file_actions_destroy(&files);
  return child;
}

ProcessOutcome FinishAlbumdl(pid_t child, const std::string& outPath, const std::string& errPath) {
  ProcessOutcome outcome;
  int status = 0;
  if (child > 0 && waitpid(child, &status, 0) == child)
    outcome.status = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
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
