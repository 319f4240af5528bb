#include "download/picture_index.h"

#include <sqlite3.h>

#include <cstdint>
#include <cstdio>

#include "download/duplicate_store.h"
#include "platform/files.h"

namespace albumdl {

namespace {

// A candidate file is read whole to check it: only so many are tried.
constexpr int kMostCandidates = 8;

struct Finalizer {
  void operator()(sqlite3_stmt* statement) const { sqlite3_finalize(statement); }
};
using Statement = std::unique_ptr<sqlite3_stmt, Finalizer>;

Statement Compile(sqlite3* db, const char* sql) {
  sqlite3_stmt* statement = nullptr;
  sqlite3_prepare_v2(db, sql, -1, &statement, nullptr);
  return Statement(statement);
}

void Bind(sqlite3_stmt* statement, int index, const Text& text) {
  sqlite3_bind_text(statement, index, text.data(), static_cast<int>(text.size()), SQLITE_TRANSIENT);
}

Text Column(sqlite3_stmt* statement, int index) {
  const auto* text = reinterpret_cast<const char*>(sqlite3_column_text(statement, index));
  return text == nullptr ? Text()
                         : Text(text, static_cast<size_t>(sqlite3_column_bytes(statement, index)));
}

// A save folder names the same place with or without its last separator.
Text Root(const Text& saveRoot) {
  Text root = saveRoot;
  while (!root.empty() && (root.back() == '\\' || root.back() == '/')) root.pop_back();
  return root;
}

}  // namespace

Text PictureIndexFile(const Text& programDirectory) {
  return programDirectory + "\\相同图片索引.db";
}

Text PictureHash(const Bytes& bytes) {
  std::uint64_t hash = 14695981039346656037ULL;  // FNV-1a
  for (unsigned char c : bytes) hash = (hash ^ c) * 1099511628211ULL;
  char hex[17];
  std::snprintf(hex, sizeof hex, "%016llx", static_cast<unsigned long long>(hash));
  return hex;
}

void PictureIndex::Closer::operator()(sqlite3* db) const { sqlite3_close(db); }

PictureIndex::~PictureIndex() = default;

bool PictureIndex::Open(const Text& programDirectory) {
  std::lock_guard lock(mutex_);
  sqlite3* db = nullptr;
  const int rc = sqlite3_open_v2(platform::NativePathOf(PictureIndexFile(programDirectory)).c_str(),
                                 &db, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, nullptr);
  db_.reset(db);
  if (rc != SQLITE_OK) {
    db_.reset();
    return false;
  }
  sqlite3_busy_timeout(db, kStoreBusyWaitMs);
  // As the record stores: a committed entry survives a crash of the program,
  // and no commit waits for the disk.
  sqlite3_exec(db, "PRAGMA journal_mode=WAL", nullptr, nullptr, nullptr);
  sqlite3_exec(db, "PRAGMA synchronous=NORMAL", nullptr, nullptr, nullptr);
  // Keyed by the save folder and the address first: a look-up is one range
  // of the key, one entry a file that holds the picture.
  const int made = sqlite3_exec(db,
                                "CREATE TABLE IF NOT EXISTS pictures(save_root TEXT NOT NULL, "
                                "address TEXT NOT NULL, file TEXT NOT NULL, size INTEGER NOT NULL, "
                                "hash TEXT NOT NULL, PRIMARY KEY(save_root, address, file)) "
                                "WITHOUT ROWID",
                                nullptr, nullptr, nullptr);
  if (made != SQLITE_OK) db_.reset();
  return db_ != nullptr;
}

bool PictureIndex::IsOpen() const { return db_ != nullptr; }

std::vector<PictureIndex::Entry> PictureIndex::Entries(const Text& saveRoot, const Text& address) {
  std::vector<Entry> entries;
  const Statement find = Compile(db_.get(),
                                 "SELECT file, size, hash FROM pictures WHERE save_root = ?1 "
                                 "AND address = ?2 LIMIT ?3");
  if (find == nullptr) return entries;
  Bind(find.get(), 1, saveRoot);
  Bind(find.get(), 2, address);
  sqlite3_bind_int(find.get(), 3, kMostCandidates);
  while (sqlite3_step(find.get()) == SQLITE_ROW) {
    entries.push_back(
        {Column(find.get(), 0), sqlite3_column_int64(find.get(), 1), Column(find.get(), 2)});
  }
  return entries;
}

void PictureIndex::Drop(const Text& saveRoot, const Text& address, const Text& file) {
  const Statement drop = Compile(
      db_.get(), "DELETE FROM pictures WHERE save_root = ?1 AND address = ?2 AND file = ?3");
  if (drop == nullptr) return;
  Bind(drop.get(), 1, saveRoot);
  Bind(drop.get(), 2, address);
  Bind(drop.get(), 3, file);
  sqlite3_step(drop.get());
}

std::optional<PictureIndex::Copy> PictureIndex::FindCopy(const Text& saveRoot,
                                                         const Text& address) {
  std::lock_guard lock(mutex_);
  if (db_ == nullptr) return std::nullopt;
  const Text root = Root(saveRoot);
  for (const Entry& entry : Entries(root, address)) {
    std::optional<Bytes> bytes = platform::ReadWholeFile(entry.file);
    if (bytes && static_cast<long long>(bytes->size()) == entry.size &&
        PictureHash(*bytes) == entry.hash) {
      return Copy{entry.file, std::move(*bytes)};
    }
    // Gone, moved away, or changed by someone: no copy of the picture now.
    Drop(root, address, entry.file);
  }
  return std::nullopt;
}

bool PictureIndex::Put(const Text& saveRoot, const Text& address, const Text& file,
                       const Bytes& bytes) {
  std::lock_guard lock(mutex_);
  if (db_ == nullptr) return false;
  const Statement put = Compile(db_.get(),
                                "INSERT OR REPLACE INTO pictures(save_root, address, file, size, "
                                "hash) VALUES(?1, ?2, ?3, ?4, ?5)");
  if (put == nullptr) return false;
  Bind(put.get(), 1, Root(saveRoot));
  Bind(put.get(), 2, address);
  Bind(put.get(), 3, file);
  sqlite3_bind_int64(put.get(), 4, static_cast<sqlite3_int64>(bytes.size()));
  Bind(put.get(), 5, PictureHash(bytes));
  return sqlite3_step(put.get()) == SQLITE_DONE;
}

}  // namespace albumdl
