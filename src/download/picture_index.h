// One copy of a picture for every album under a save folder (the switch
// 相同图片只存一份, --link-duplicates). The index, one SQLite file in the
// program directory, knows for each picture saved while the switch was on
// which files under which save folder hold it: the picture's address (the
// image host and its file key: the same address is the same picture), the
// file, its size and a hash of its bytes. A picture found there is not
// fetched again; its file in the new album becomes a second name of a saved
// one (picture_step.cpp).
//
// The index is a guide, never trusted blindly: a file that is gone, was moved
// or no longer holds the bytes it was indexed with is passed over (and its
// entry dropped), and the picture is fetched as usual. An entry is written
// only once its file is in place, so a kill at any point leaves at most an
// entry whose file is not there, which the check passes over. Shared like the
// record stores (a WAL journal, a wait for another writer's turn); safe for
// the run's lanes at once. Every failure makes it find nothing.
#pragma once

#include <memory>
#include <mutex>
#include <optional>
#include <vector>

#include "platform/strings.h"
#include "text/text.h"

struct sqlite3;

namespace albumdl {

// ProgramDirectory + "\相同图片索引.db"
Text PictureIndexFile(const Text& programDirectory);

class PictureIndex {
 public:
  PictureIndex() = default;
  ~PictureIndex();
  PictureIndex(const PictureIndex&) = delete;
  PictureIndex& operator=(const PictureIndex&) = delete;

  // Opens the program directory's index, making it when missing. False when
  // it cannot be used; it then finds nothing and keeps nothing.
  bool Open(const Text& programDirectory);
  bool IsOpen() const;

  // A saved copy of the picture at address under saveRoot whose file still
  // holds exactly the bytes indexed: the file's path and its bytes. Entries
  // whose file is gone or changed are dropped on the way.
  struct Copy {
    Text file;
    Bytes bytes;
  };
  std::optional<Copy> FindCopy(const Text& saveRoot, const Text& address);
  // Notes that file (in place, complete) holds bytes, the picture at address.
  bool Put(const Text& saveRoot, const Text& address, const Text& file, const Bytes& bytes);

 private:
  struct Entry {
    Text file;
    long long size = 0;
    Text hash;
  };
  std::vector<Entry> Entries(const Text& saveRoot, const Text& address);
  void Drop(const Text& saveRoot, const Text& address, const Text& file);

  struct Closer {
    void operator()(sqlite3* db) const;
  };
  std::mutex mutex_;
  std::unique_ptr<sqlite3, Closer> db_;
};

// The hash an entry keeps of a picture's bytes (64-bit FNV-1a, in hex): with
// the size, it tells a file that was changed since it was indexed.
Text PictureHash(const Bytes& bytes);

}  // namespace albumdl
