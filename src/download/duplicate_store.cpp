#include "download/duplicate_store.h"

#include <sqlite3.h>

#include <cstdint>
#include <cstdio>
#include <string>

#include "platform/files.h"
#include "text/file_helpers.h"
#include "text/safe_name.h"

namespace albumdl {

namespace {

const char kTable[] = "photos";

bool Execute(sqlite3* db, const char* sql) {
  return sqlite3_exec(db, sql, nullptr, nullptr, nullptr) == SQLITE_OK;
}

// The table of a new store. It is its own index, keyed by the id: an add
// writes one page, where a table with a separate unique index (as older stores
// have it) writes two. The key runs from the highest id down: the site lists
// pins newest first, their ids falling, so each add goes at the key's end,
// where SQLite starts a new page without rebalancing its neighbours. Keyed
// the other way, every add lands on the first page, and some one add in four
// rewrites the first pages and their parent: half again as much journal.
// Two runs that make the same album's store at once make one table.
bool MakeTable(sqlite3* db) {
  return Execute(db,
                 "CREATE TABLE IF NOT EXISTS photos(photo_id VARCHAR(20) NOT NULL, "
                 "PRIMARY KEY(photo_id DESC)) WITHOUT ROWID");
}

// Small pages for a new store: an add writes a quarter of what SQLite's
// default 4 kB pages would. A file takes its page size before its journal
// becomes a WAL and its first table is made.
void SetSmallPages(sqlite3* db) { Execute(db, "PRAGMA page_size=1024"); }

// The store is shared: with its journal a WAL, a program that reads it (the
// sqlite3 shell, a second run of the same album) never stops the look-ups or
// the adds, and a second writer takes its turn. Each statement waits this
// long for the other's turn to end; a store still held after that is said in
// the log and the album goes on without it.
void WaitForOthers(sqlite3* db) { sqlite3_busy_timeout(db, kStoreBusyWaitMs); }

bool IsBusy(int resultCode) {
  const int primary = resultCode & 0xFF;
  return primary == SQLITE_BUSY || primary == SQLITE_LOCKED;
}

// WAL with synchronous=NORMAL: an add costs no sync of its own, and a record
// that was committed survives a crash of the program. The journal is folded
// into the store (a checkpoint, which syncs the disk) when the album ends, or
// once it has grown by this many pages (one or so an add); SQLite's own
// 1,000 would sync the disk every few hundred pictures.
void SetJournal(sqlite3* db) {
  Execute(db, "PRAGMA journal_mode=WAL");
  Execute(db, "PRAGMA synchronous=NORMAL");
  Execute(db, "PRAGMA wal_autocheckpoint=20000");
}

bool IsDamage(int resultCode) {
  const int primary = resultCode & 0xFF;
  return primary == SQLITE_NOTADB || primary == SQLITE_CORRUPT;
}

// A store file of another kind keeps its name plus ".damaged-<n>", so nothing
// the user may still want is lost. Its journal files go with it: a stale -wal
// beside a new store of the same name would otherwise be replayed into it.
// Returns the new file name, empty when the rename failed.
Text RenameAside(const Text& file, const Text& fileName) {
  for (int n = 1; n < 1000; ++n) {
    const Text suffix = ".damaged-" + std::to_string(n);
    const Text aside = file + suffix;
    if (platform::FileExists(aside) || platform::PathIsDirectoryA(aside)) continue;
    if (!platform::RenameFile(file, aside)) return {};
    for (const char* journal : {"-wal", "-shm"}) {
      if (platform::FileExists(file + journal))
        platform::RenameFile(file + journal, aside + journal);
    }
    return fileName + suffix;
  }
  return {};
}

void RemoveWithJournals(const Text& file) {
  platform::RemoveFile(file);
  platform::RemoveFile(file + "-wal");
  platform::RemoveFile(file + "-shm");
}

// Runs a statement whose one parameter is the photo id, and leaves it ready
// for the next; SQLite's result code of the step.
int RunWithId(sqlite3_stmt* statement, const Text& photoId) {
  sqlite3_reset(statement);
  sqlite3_bind_text(statement, 1, photoId.data(), static_cast<int>(photoId.size()),
                    SQLITE_TRANSIENT);
  const int rc = sqlite3_step(statement);
  sqlite3_reset(statement);
  return rc;
}

}  // namespace

Text DuplicateStoreFolder(const Text& programDirectory) {
  return programDirectory + "\\防止重复下载数据库\\";
}

bool EnsureDuplicateStoreFolder(const Text& programDirectory) {
  Text folder = DuplicateStoreFolder(programDirectory);
  return EnsureDirectory(folder);
}

// The name of an album's record file: album id + ".edb". The names beside it
// are longer by a journal's "-wal" and, for a damaged file put aside,
// ".damaged-<n>" too. An id too long for that (a keyword of some eighty
// Chinese characters) is cut at a character boundary and marked with a hash
// of the whole id, so that its name is the same at every run and no two ids
// share one; every name that fitted stays as it was.
Text StoreFileName(const Text& albumId) {
  const Text plain = albumId + ".edb";
  if (AnsiToUtf8(plain + "-wal").size() <= kLongestNameBytes) return plain;
  std::uint64_t hash = 14695981039346656037ULL;  // FNV-1a
  for (unsigned char c : albumId) hash = (hash ^ c) * 1099511628211ULL;
  char hex[17];
  std::snprintf(hex, sizeof hex, "%016llx", static_cast<unsigned long long>(hash));
  constexpr size_t kBeside = sizeof(".damaged-999-wal") - 1;
  return FitFolderName(albumId, Text("~") + hex + ".edb", kLongestNameBytes - kBeside);
}

Text DuplicateStore::RecordFile(const Text& programDirectory, const Text& albumId) {
  return DuplicateStoreFolder(programDirectory) + StoreFileName(albumId);
}

void DuplicateStore::Closer::operator()(sqlite3* db) const { sqlite3_close(db); }
void DuplicateStore::Finalizer::operator()(sqlite3_stmt* statement) const {
  sqlite3_finalize(statement);
}

StoreOpening DuplicateStore::Open(const Text& programDirectory, const Text& albumId) {
  Close();
  busy_ = false;
  StoreOpening opening;
  // The album id comes from the album list and ends up in a file name; one that
  // could reach outside the store folder gets no store at all.
  if (!IsSafeNamePart(albumId)) {
    opening.outcome = StoreOpening::Outcome::kCreateFailed;
    return opening;
  }
  const Text file = RecordFile(programDirectory, albumId);
  if (platform::FileExists(file)) {
    const Found found = OpenExisting(file);
    if (found == Found::kOurs) {
      opening.outcome = StoreOpening::Outcome::kOpened;
      return opening;
    }
    if (found == Found::kUnusable) {  // left alone: it may be ours, held elsewhere
      opening.busy = busy_;
      return opening;
    }
    opening.damagedAside = RenameAside(file, StoreFileName(albumId));
    if (opening.damagedAside.empty()) {
      opening.outcome = StoreOpening::Outcome::kCreateFailed;
      return opening;
    }
  } else {
    EnsureDuplicateStoreFolder(programDirectory);
  }
  opening.outcome =
      Create(file) ? StoreOpening::Outcome::kCreated : StoreOpening::Outcome::kCreateFailed;
  return opening;
}

bool DuplicateStore::Create(const Text& file) {
  if (!OpenConnection(file, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE)) return false;
  WaitForOthers(db_.get());
  SetSmallPages(db_.get());
  // A new file holds nothing to lose yet: it is made without waiting for the
  // disk. Should the machine stop right then, the next open finds no table, or
  // no store of ours, and makes it again.
  Execute(db_.get(), "PRAGMA synchronous=OFF");
  Execute(db_.get(), "PRAGMA journal_mode=WAL");
  const bool ok = MakeTable(db_.get()) && Prepare();
  SetJournal(db_.get());
  if (!ok) {
    Close();
    // A half-made file would pass for a store next time; better none at all.
    RemoveWithJournals(file);
  }
  return ok;
}

DuplicateStore::Found DuplicateStore::OpenExisting(const Text& file) {
  if (!OpenConnection(file, SQLITE_OPEN_READWRITE)) return Found::kUnusable;
  WaitForOthers(db_.get());

  // SQLite reads the file only now: a file of another kind shows here.
  bool hasTable = false;
  bool keyedTable = false;  // the table is its own index (made so by MakeTable)
  bool hasOther = false;
  Statement schema;
  int rc = Compile("SELECT name, sql FROM sqlite_master", schema);
  if (rc == SQLITE_OK) {
    while ((rc = sqlite3_step(schema.get())) == SQLITE_ROW) {
      const auto* name = reinterpret_cast<const char*>(sqlite3_column_text(schema.get(), 0));
      const auto* sql = reinterpret_cast<const char*>(sqlite3_column_text(schema.get(), 1));
      if (name != nullptr && std::string(name) == kTable) {
        hasTable = true;
        keyedTable = sql != nullptr && std::string(sql).find("WITHOUT ROWID") != std::string::npos;
      } else {
        hasOther = true;
      }
    }
    if (rc == SQLITE_DONE) rc = SQLITE_OK;
  }
  schema.reset();
  if (rc != SQLITE_OK) {
    Close();
    busy_ = IsBusy(rc);
    return IsDamage(rc) ? Found::kForeign : Found::kUnusable;
  }
  if (!hasTable && hasOther) {
    Close();
    return Found::kForeign;
  }
  if (!hasTable) {
    // An empty database: the program stopped between making the file and its
    // table. Finish the job in place.
    SetSmallPages(db_.get());
    if (!MakeTable(db_.get())) {
      Close();
      return Found::kUnusable;
    }
    keyedTable = true;
  }
  Statement probe;
  rc = Compile("SELECT photo_id FROM photos LIMIT 1", probe);
  probe.reset();
  if (rc != SQLITE_OK) {
    Close();
    busy_ = IsBusy(rc);
    return IsDamage(rc) || (rc & 0xFF) == SQLITE_ERROR ? Found::kForeign : Found::kUnusable;
  }
  // Failures here cost speed or durability, not correctness.
  SetJournal(db_.get());
  if (!keyedTable)
    Execute(db_.get(), "CREATE UNIQUE INDEX IF NOT EXISTS photos_photo_id ON photos(photo_id)");
  if (!Prepare()) {
    Close();
    return Found::kUnusable;
  }
  return Found::kOurs;
}

bool DuplicateStore::OpenConnection(const Text& file, int flags) {
  sqlite3* db = nullptr;
  const int rc = sqlite3_open_v2(platform::NativePathOf(file).c_str(), &db, flags, nullptr);
  db_.reset(db);  // a failed open still gives a handle to close
  if (rc == SQLITE_OK) return true;
  db_.reset();
  return false;
}

int DuplicateStore::Compile(const char* sql, Statement& into) {
  sqlite3_stmt* statement = nullptr;
  const int rc = sqlite3_prepare_v2(db_.get(), sql, -1, &statement, nullptr);
  into.reset(statement);
  return rc;
}

bool DuplicateStore::Prepare() {
  return Compile("SELECT 1 FROM photos WHERE photo_id = ?1 LIMIT 1", contains_) == SQLITE_OK &&
         Compile("INSERT OR IGNORE INTO photos(photo_id) VALUES(?1)", add_) == SQLITE_OK;
}

bool DuplicateStore::Contains(const Text& photoId) {
  return contains_ != nullptr && RunWithId(contains_.get(), photoId) == SQLITE_ROW;
}

bool DuplicateStore::Add(const Text& photoId) {
  return add_ != nullptr && RunWithId(add_.get(), photoId) == SQLITE_DONE &&
         sqlite3_changes(db_.get()) > 0;
}

bool DuplicateStore::Record(const Text& photoId) {
  // The unique key leaves an id already there as it is: one statement and
  // one commit, where a look-up first would be a second one.
  if (add_ == nullptr) return false;
  const int rc = RunWithId(add_.get(), photoId);
  if (rc == SQLITE_DONE) return true;
  // Held by another writer past the wait: every later add would wait as long
  // again, for nothing. The album goes on without its store.
  if (IsBusy(rc)) {
    busy_ = true;
    Close();
  }
  return false;
}

// One row, made when the mark is first set: a store without the table has no
// mark, and a program that knows nothing of marks still takes the store for
// one of its own (it has its photos table).
std::optional<Text> DuplicateStore::SyncMark() {
  if (db_ == nullptr) return std::nullopt;
  Statement read;
  if (Compile("SELECT pin_id FROM sync_mark WHERE id = 1", read) != SQLITE_OK) return std::nullopt;
  if (sqlite3_step(read.get()) != SQLITE_ROW) return std::nullopt;
  const auto* text = reinterpret_cast<const char*>(sqlite3_column_text(read.get(), 0));
  if (text == nullptr) return std::nullopt;
  return Text(text, static_cast<size_t>(sqlite3_column_bytes(read.get(), 0)));
}

bool DuplicateStore::SetSyncMark(const Text& photoId) {
  if (db_ == nullptr ||
      !Execute(db_.get(),
               "CREATE TABLE IF NOT EXISTS sync_mark(id INTEGER PRIMARY KEY CHECK(id = 1), "
               "pin_id VARCHAR(20) NOT NULL)")) {
    return false;
  }
  Statement write;
  return Compile("INSERT OR REPLACE INTO sync_mark(id, pin_id) VALUES(1, ?1)", write) ==
             SQLITE_OK &&
         RunWithId(write.get(), photoId) == SQLITE_DONE;
}

void DuplicateStore::Close() {
  contains_.reset();
  add_.reset();
  db_.reset();
}

}  // namespace albumdl
