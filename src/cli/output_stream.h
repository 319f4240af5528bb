// What albumdl writes for the user: standard output (the album list, the
// activity log, --help) and the log file. Every write goes out at once. The
// first error ends the writing to that stream, and the run goes on: a reader
// that went away (a closed pipe, as `| head` leaves it) asked for no more, so
// the rest is dropped quietly; any other error (a full disk, a failing
// device) is kept, and reported when the program ends.
#pragma once

#include <cstdio>
#include <string>
#include <string_view>

namespace albumdl::cli {

class OutputStream {
 public:
  // name is how messages call the stream ("standard output"); owned streams
  // are closed by Close and by the destructor.
  OutputStream(std::FILE* file, std::string name, bool owned = false);
  ~OutputStream();
  OutputStream(const OutputStream&) = delete;
  OutputStream& operator=(const OutputStream&) = delete;

  void Write(std::string_view bytes);
  // Flushes, and closes an owned file: a write the system put off fails here.
  void Close();
  // "cannot write standard output: No space left on device", empty when
  // nothing worth reporting went wrong.
  std::string Failure() const;

 private:
  void Stop(int error);

  std::FILE* file_;
  std::string name_;
  bool owned_;
  bool stopped_ = false;
  int error_ = 0;  // the first error worth reporting
};

}  // namespace albumdl::cli
