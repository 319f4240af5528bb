// A file layer for SQLite that fails on purpose, over the system's own: the
// record stores under a folder meet a disk that refuses writes (full, gone
// read-only, failing) or reads. It is SQLite's default for as long as it
// lives, so the program's own stores use it without knowing. Other files
// pass through untouched.
#pragma once

#include <atomic>
#include <string>

namespace albumdl::testing {

class FaultySqlite {
 public:
  explicit FaultySqlite(std::string under);  // a native folder
  ~FaultySqlite();
  FaultySqlite(const FaultySqlite&) = delete;
  FaultySqlite& operator=(const FaultySqlite&) = delete;

  std::atomic<bool> failWrites{false};  // every write and sync fails (SQLITE_IOERR)
  std::atomic<bool> failReads{false};   // every read and look at the shared index fails
  int failures() const { return failures_; }

  // For the file layer's own functions.
  struct Parts;
  bool Affects(const char* path) const;
  void Count() { ++failures_; }

 private:
  std::string under_;
  std::atomic<int> failures_{0};
  Parts* parts_;
};

}  // namespace albumdl::testing
