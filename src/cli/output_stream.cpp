#include "cli/output_stream.h"

#include <cerrno>
#include <utility>

#include "platform/standard_streams.h"

namespace albumdl::cli {

OutputStream::OutputStream(std::FILE* file, std::string name, bool owned)
    : file_(file), name_(std::move(name)), owned_(owned) {}

OutputStream::~OutputStream() { Close(); }

void OutputStream::Stop(int error) {
  stopped_ = true;
  if (error_ == 0 && !platform::IsBrokenPipe(error)) error_ = error == 0 ? EIO : error;
}

void OutputStream::Write(std::string_view bytes) {
  if (stopped_ || file_ == nullptr) return;
  errno = 0;
  if (std::fwrite(bytes.data(), 1, bytes.size(), file_) != bytes.size() ||
      std::fflush(file_) != 0) {
    Stop(errno);
  }
}

void OutputStream::Close() {
  if (file_ == nullptr) return;
  errno = 0;
  if (!stopped_ && std::fflush(file_) != 0) Stop(errno);
  if (owned_) {
    errno = 0;
    if (std::fclose(file_) != 0 && !stopped_) Stop(errno);
  }
  // What stays unwritten in a stopped stream is given up: the system's own
  // flush at exit finds it again and fails quietly.
  file_ = nullptr;
}

std::string OutputStream::Failure() const {
  if (error_ == 0) return "";
  return "cannot write " + name_ + ": " + platform::ErrorText(error_);
}

}  // namespace albumdl::cli
