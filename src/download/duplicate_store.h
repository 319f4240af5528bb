// The per-album record of photo ids already saved, so that a later run can skip
// them. One SQLite file per album id in ProgramDirectory\防止重复下载数据库\,
// named album id + ".edb", with one text column photo_id, unique: the table's
// key (stores made before have a unique index over it instead; both work),
// and, once a pass over the album completed, its sync mark.
// The store is used by one thread at a time; other programs may read it, and
// another run of the same album write it, at the same time (a WAL journal;
// each statement waits kStoreBusyWaitMs for the other's turn). Every failure
// leaves it inert (contains gives false, add records nothing) and the album
// downloads in full.
#pragma once

#include <memory>
#include <optional>

#include "text/text.h"

struct sqlite3;
struct sqlite3_stmt;

namespace albumdl {

// The record file's name of an album: album id + ".edb", or for an id too
// long for a file name, the id cut short, "~", a hash of the whole id, ".edb".
Text StoreFileName(const Text& albumId);

// ProgramDirectory + "\防止重复下载数据库\"
Text DuplicateStoreFolder(const Text& programDirectory);
// Makes the folder of the stores exist (done at program start); true when it does.
bool EnsureDuplicateStoreFolder(const Text& programDirectory);

// How long a statement of the store waits while another program writes it.
inline constexpr int kStoreBusyWaitMs = 5000;

// What opening an album's store came to; the caller tells the user.
struct StoreOpening {
  enum class Outcome {
    kOpened,        // the album's existing store
    kCreated,       // a new store was made
    kCreateFailed,  // a new store could not be made: nothing is recorded
    kUnusable,      // the existing file could not be opened (busy, unreadable): left alone
  };
  Outcome outcome = Outcome::kUnusable;
  // A file under the store's name that was not a store of ours, renamed to
  // this name (album id + ".edb.damaged-N") before a new store was made.
  Text damagedAside;
  // kUnusable: another program held the store all the while it was waited for.
  bool busy = false;
};

class DuplicateStore {
 public:
  DuplicateStore() = default;
  ~DuplicateStore() = default;
  DuplicateStore(const DuplicateStore&) = delete;
  DuplicateStore& operator=(const DuplicateStore&) = delete;

  // Opens the album's store, creating it when its file does not exist yet. A
  // file that is not a store of ours is renamed aside and replaced. An album
  // id that could reach outside the store folder gets no store (kCreateFailed).
  StoreOpening Open(const Text& programDirectory, const Text& albumId);
  bool Contains(const Text& photoId);
  bool Add(const Text& photoId);  // false when nothing was recorded
  // Puts the id on record unless it is there already, in one commit: false
  // only when it could not be recorded. A store another program still held
  // after the wait is closed: the rest of the album goes without it.
  bool Record(const Text& photoId);
  // The sync mark of the album: the newest photo id of the last complete pass
  // over it (every page, nothing failed), kept beside the records in a table
  // of its own; nothing before the first such pass.
  std::optional<Text> SyncMark();
  // Moves the mark, in one commit: false when it could not.
  bool SetSyncMark(const Text& photoId);
  // The last open or record found the store held by another program.
  bool Busy() const { return busy_; }
  void Close();
  bool IsOpen() const { return db_ != nullptr; }

  // The record file of an album: DuplicateStoreFolder + album id + ".edb"
  // (an id too long for a file name is shortened, stably: StoreFileName).
  static Text RecordFile(const Text& programDirectory, const Text& albumId);

 private:
  enum class Found { kOurs, kForeign, kUnusable };
  bool Create(const Text& file);
  Found OpenExisting(const Text& file);
  bool OpenConnection(const Text& file, int flags);
  bool Prepare();

  // The connection and its statements, let go of by their owners: the
  // statements before the connection (in Close; the destructor ends the members
  // in the reverse of their order below).
  struct Closer {
    void operator()(sqlite3* db) const;
  };
  struct Finalizer {
    void operator()(sqlite3_stmt* statement) const;
  };
  using Statement = std::unique_ptr<sqlite3_stmt, Finalizer>;
  // Compiles sql into into (empty when it fails); SQLite's result code.
  int Compile(const char* sql, Statement& into);

  bool busy_ = false;
  std::unique_ptr<sqlite3, Closer> db_;
  Statement contains_;
  Statement add_;
};

}  // namespace albumdl
