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
  return StartAlbumdl(arguments, StandardStreams{stdinPath, outPath, errPath});
}

pid_t StartAlbumdl(const std::vector<std::string>& arguments, const StandardStreams& streams) {
  const std::string program = ALBUMDL_BINARY_DIR "/src/albumdl";
  posix_spawn_file_actions_t files;
  posix_spawn_file_actions_init(&files);
  const auto plan = [&files](int stream, const std::string& path, int descriptor, int flags) {
    if (descriptor >= 0) {
      posix_spawn_file_actions_adddup2(&files, descriptor, stream);
    } else if (path == StandardStreams::kClosed) {
      posix_spawn_file_actions_addclose(&files, stream);
    } else {
      posix_spawn_file_actions_addopen(&files, stream, path.c_str(), flags, 0644);
    }
  };
  plan(0, streams.in, -1, O_RDONLY);
  plan(1, streams.out, streams.outDescriptor, O_WRONLY | O_CREAT | O_TRUNC);
  plan(2, streams.err, streams.errDescriptor, O_WRONLY | O_CREAT | O_TRUNC);
  std::vector<char*> argv{const_cast<char*>(program.c_str())};
  for (const std::string& argument : arguments) argv.push_back(const_cast<char*>(argument.c_str()));
  argv.push_back(nullptr);
  pid_t child = -1;
  if (posix_spawn(&child, program.c_str(), &files, nullptr, argv.data(), environ) != 0) child = -1;
  posix_spawn_file_actions_destroy(&files);
  return child;
}

int ExitStatusOf(pid_t child) {
  int status = 0;
  if (child <= 0 || waitpid(child, &status, 0) != child) return -1;
  return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
}

ProcessOutcome FinishAlbumdl(pid_t child, const std::string& outPath, const std::string& errPath) {
  ProcessOutcome outcome;
  outcome.status = ExitStatusOf(child);
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
