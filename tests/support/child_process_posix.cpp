#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>

#include "support/albumdl_process.h"

extern char** environ;

namespace albumdl::testing {

Child StartProgram(const std::string& program, const std::vector<std::string>& arguments,
                   const StandardStreams& streams) {
  posix_spawn_file_actions_t files;
  posix_spawn_file_actions_init(&files);
  const auto plan = [&files](int stream, const std::string& path, int descriptor, int flags) {
    if (descriptor >= 0) {
      posix_spawn_file_actions_adddup2(&files, descriptor, stream);
    } else if (path == StandardStreams::kClosed) {
      posix_spawn_file_actions_addclose(&files, stream);
    } else {
      const std::string name = path.empty() ? "/dev/null" : path;
      posix_spawn_file_actions_addopen(&files, stream, name.c_str(), flags, 0644);
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
  return child > 0 ? child : kNoChild;
}

int WaitForChild(Child child) {
  int status = 0;
  if (child <= 0 || waitpid(static_cast<pid_t>(child), &status, 0) != child) return -1;
  return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
}

bool ChildHasEnded(Child child) {
  siginfo_t info{};
  // WNOWAIT: the status stays for WaitForChild.
  if (waitid(P_PID, static_cast<id_t>(child), &info, WEXITED | WNOHANG | WNOWAIT) != 0) return true;
  return info.si_pid != 0;
}

void KillChild(Child child) { kill(static_cast<pid_t>(child), SIGKILL); }

void InterruptChild(Child child) { kill(static_cast<pid_t>(child), SIGINT); }

void AskChildToStop(Child child) { kill(static_cast<pid_t>(child), SIGTERM); }

}  // namespace albumdl::testing
