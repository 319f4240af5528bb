// What the record store and the page view cost.
//
// Look-ups: 100,000 photo ids asked of a store holding 1,000,000 (about half of
// them are there), through DuplicateStore::Contains; the peer is the same query
// on a bare SQLite connection to the same file, and the floor an in-memory hash
// set of the same ids.
//
// Adds: 10,000 photo ids recorded one by one, each committed on its own as a
// download records them: newest first, the ids falling, as the site lists pins
// (SQLite in WAL mode, synchronous=NORMAL, the store held by one connection for
// the album, its table keyed by the id from the highest down in 1 kB pages).
// The peers are a bare SQLite connection with the same table and settings; the
// store as it was before (a table with a separate unique index, the locks
// taken around every commit, a look-up before each add); and SQLite's default
// (rollback journal, synchronous=FULL), which syncs the disk on every add and
// so is run for 100 adds only.
//
// The page view is compared with a bare nlohmann parse of the same page.
// scripts/bench runs this program and prints the figures as tables.
#include <benchmark/benchmark.h>
#include <sqlite3.h>
#include <stdlib.h>

#include <filesystem>
#include <nlohmann/json.hpp>
#include <string>
#include <unordered_set>
#include <vector>

#include "download/duplicate_store.h"
#include "platform/files.h"
#include "site/json_value.h"

namespace {

using albumdl::Text;

constexpr long long kStoredIds = 1000000;
constexpr long long kLookups = 100000;
constexpr long long kAdds = 10000;
constexpr long long kSyncedAdds = 100;
// Photo ids look like the site's pin ids: nine digits.
constexpr long long kFirstId = 900000000;

// On the disk the program directory normally lives on, not on a tmpfs:
// TMPDIR, else /tmp.
class ScratchFolder {
 public:
  ScratchFolder() {
    const char* tmp = std::getenv("TMPDIR");
    std::string pattern = std::string(tmp && *tmp ? tmp : "/tmp") + "/albumdl-bench-XXXXXX";
    if (::mkdtemp(pattern.data())) native_ = pattern;
  }
  ~ScratchFolder() {
    std::error_code error;
    std::filesystem::remove_all(native_, error);
  }
  const std::string& Native() const { return native_; }
  Text Path() const {
    return albumdl::platform::TextPathOf(albumdl::platform::NativePath::FromSystem(native_));
  }

 private:
  std::string native_;
};

std::string PhotoId(long long n) { return std::to_string(kFirstId + n); }

// The n-th id a download of kAdds pictures records (n from 1): falling.
std::string AddedId(long long n) { return PhotoId(kAdds + 1 - n); }

// The ids asked for: spread over twice the stored range, so about half are
// found; the same list for every contender.
const std::vector<std::string>& Probes() {
  static const std::vector<std::string> probes = [] {
    std::vector<std::string> list;
    list.reserve(kLookups);
    unsigned long long state = 12345;
    for (long long i = 0; i < kLookups; ++i) {
      state = state * 6364136223846793005ULL + 1442695040888963407ULL;
      list.push_back(PhotoId(1 + static_cast<long long>((state >> 33) % (2 * kStoredIds))));
    }
    return list;
  }();
  return probes;
}

// A store of 1,000,000 ids, made once: created by DuplicateStore itself and
// filled in one transaction, newest first as downloads fill stores. A
// download holds its store alone, so each contender opens the file for itself.
struct BigStore {
  ScratchFolder folder;
  std::string file;

  BigStore() {
    albumdl::DuplicateStore store;
    store.Open(folder.Path(), "big");
    store.Close();
    file =
        albumdl::platform::NativePathOf(albumdl::DuplicateStore::RecordFile(folder.Path(), "big"))
            .str();
    sqlite3* db = nullptr;
    sqlite3_open(file.c_str(), &db);
    sqlite3_exec(db, "BEGIN", nullptr, nullptr, nullptr);
    sqlite3_stmt* insert = nullptr;
    sqlite3_prepare_v2(db, "INSERT INTO photos(photo_id) VALUES(?1)", -1, &insert, nullptr);
    for (long long n = kStoredIds; n >= 1; --n) {
      const std::string id = PhotoId(n);
      sqlite3_bind_text(insert, 1, id.data(), static_cast<int>(id.size()), SQLITE_TRANSIENT);
      sqlite3_step(insert);
      sqlite3_reset(insert);
    }
    sqlite3_finalize(insert);
    sqlite3_exec(db, "COMMIT", nullptr, nullptr, nullptr);
    sqlite3_close(db);
  }
};

BigStore& Big() {
  static BigStore big;  // made on first use, removed at exit
  return big;
}

void CountFound(benchmark::State& state, long long found) {
  state.counters["found"] = static_cast<double>(found);
  state.SetItemsProcessed(state.iterations());
}

void BM_StoreLookup(benchmark::State& state) {
  BigStore& big = Big();
  albumdl::DuplicateStore store;
  store.Open(big.folder.Path(), "big");
  const auto& probes = Probes();
  size_t i = 0;
  long long found = 0;
  for (auto _ : state) found += store.Contains(probes[i++ % probes.size()]) ? 1 : 0;
  CountFound(state, found);
}

void BM_SqliteLookup(benchmark::State& state) {
  BigStore& big = Big();
  sqlite3* db = nullptr;
  sqlite3_open_v2(big.file.c_str(), &db, SQLITE_OPEN_READONLY, nullptr);
  sqlite3_stmt* query = nullptr;
  sqlite3_prepare_v2(db, "SELECT 1 FROM photos WHERE photo_id = ?1 LIMIT 1", -1, &query, nullptr);
  const auto& probes = Probes();
  size_t i = 0;
  long long found = 0;
  for (auto _ : state) {
    const std::string& id = probes[i++ % probes.size()];
    sqlite3_bind_text(query, 1, id.data(), static_cast<int>(id.size()), SQLITE_STATIC);
    found += sqlite3_step(query) == SQLITE_ROW ? 1 : 0;
    sqlite3_reset(query);
  }
  sqlite3_finalize(query);
  sqlite3_close(db);
  CountFound(state, found);
}

void BM_HashSetLookup(benchmark::State& state) {
  static const std::unordered_set<std::string> ids = [] {
    std::unordered_set<std::string> set;
    set.reserve(kStoredIds);
    for (long long n = 1; n <= kStoredIds; ++n) set.insert(PhotoId(n));
    return set;
  }();
  const auto& probes = Probes();
  size_t i = 0;
  long long found = 0;
  for (auto _ : state) found += ids.count(probes[i++ % probes.size()]);
  CountFound(state, found);
}

// Each repetition records new ids into its own fresh store.
void BM_StoreAdd(benchmark::State& state) {
  ScratchFolder folder;
  albumdl::DuplicateStore store;
  store.Open(folder.Path(), "adds");
  long long n = 0;
  long long added = 0;
  for (auto _ : state) added += store.Record(AddedId(++n)) ? 1 : 0;
  if (added != state.iterations()) state.SkipWithError("an add was not recorded");
  state.SetItemsProcessed(state.iterations());
}

enum class Settings {
  kStore,            // as DuplicateStore: table keyed highest id first, 1 kB pages, WAL,
                     // NORMAL, shared with other programs
  kLockEveryCommit,  // as the store was: table and index, WAL, NORMAL, locks around
                     // each commit, a look-up before each add
  kDefault,          // table and index, rollback journal, FULL
};

// A bare connection with a store's table and the settings asked for.
void SqliteAdds(benchmark::State& state, Settings settings) {
  ScratchFolder folder;
  sqlite3* db = nullptr;
  sqlite3_open((folder.Native() + "/peer.db").c_str(), &db);
  const char* schema =
      settings == Settings::kStore
          ? "PRAGMA page_size=1024;"
            "CREATE TABLE photos(photo_id VARCHAR(20) NOT NULL, PRIMARY KEY(photo_id DESC))"
            " WITHOUT ROWID;"
            "PRAGMA journal_mode=WAL; PRAGMA synchronous=NORMAL; PRAGMA wal_autocheckpoint=20000;"
      : settings == Settings::kLockEveryCommit
          ? "PRAGMA journal_mode=WAL; PRAGMA synchronous=NORMAL;"
            "CREATE TABLE photos(photo_id VARCHAR(20) NOT NULL);"
            "CREATE UNIQUE INDEX photos_photo_id ON photos(photo_id);"
          : "PRAGMA synchronous=FULL;"
            "CREATE TABLE photos(photo_id VARCHAR(20) NOT NULL);"
            "CREATE UNIQUE INDEX photos_photo_id ON photos(photo_id);";
  sqlite3_exec(db, schema, nullptr, nullptr, nullptr);
  sqlite3_stmt* insert = nullptr;
  sqlite3_prepare_v2(db, "INSERT OR IGNORE INTO photos(photo_id) VALUES(?1)", -1, &insert, nullptr);
  sqlite3_stmt* lookup = nullptr;
  sqlite3_prepare_v2(db, "SELECT 1 FROM photos WHERE photo_id = ?1 LIMIT 1", -1, &lookup, nullptr);
  long long n = 0;
  for (auto _ : state) {
    const std::string id = AddedId(++n);
    if (settings == Settings::kLockEveryCommit) {
      sqlite3_bind_text(lookup, 1, id.data(), static_cast<int>(id.size()), SQLITE_TRANSIENT);
      if (sqlite3_step(lookup) != SQLITE_DONE) state.SkipWithError("a new id was found");
      sqlite3_reset(lookup);
    }
    sqlite3_bind_text(insert, 1, id.data(), static_cast<int>(id.size()), SQLITE_TRANSIENT);
    if (sqlite3_step(insert) != SQLITE_DONE) state.SkipWithError("an add failed");
    sqlite3_reset(insert);
  }
  sqlite3_finalize(lookup);
  sqlite3_finalize(insert);
  sqlite3_close(db);
  state.SetItemsProcessed(state.iterations());
}

void BM_SqliteWalAdd(benchmark::State& state) { SqliteAdds(state, Settings::kStore); }
void BM_LockEveryCommitAdd(benchmark::State& state) {
  SqliteAdds(state, Settings::kLockEveryCommit);
}
void BM_RollbackJournalAdd(benchmark::State& state) { SqliteAdds(state, Settings::kDefault); }

std::string PageUtf8() {
  std::string page = R"({"board":{"board_id":"b1","pins":[)";
  for (int i = 0; i < 100; ++i) {
    if (i > 0) page += ",";
    page += R"({"pin_id":)" + std::to_string(900000 + i) + R"(,"file":{"key":"k)" +
            std::to_string(i) + R"(.png","type":"image/png"},"raw_text":"a picture"})";
  }
  return page + "]}}";
}

void BM_JsonValuePage(benchmark::State& state) {
  const std::string page = PageUtf8();
  for (auto _ : state) {
    const albumdl::JsonValue pins = albumdl::JsonValue::Parse(page).Member("board").Member("pins");
    for (int i = 0; i < pins.Count(); ++i) {
      benchmark::DoNotOptimize(pins.At(i).Member("pin_id").Render());
      benchmark::DoNotOptimize(pins.At(i).Member("file").Member("key").Render());
    }
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * page.size()));
}

void BM_NlohmannPage(benchmark::State& state) {
  const std::string page = PageUtf8();
  for (auto _ : state) {
    const nlohmann::json json = nlohmann::json::parse(page, nullptr, false);
    for (const auto& pin : json["board"]["pins"]) {
      benchmark::DoNotOptimize(std::to_string(pin["pin_id"].get<long long>()));
      benchmark::DoNotOptimize(pin["file"]["key"].get<std::string>());
    }
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * page.size()));
}

BENCHMARK(BM_StoreLookup)->Iterations(kLookups)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_SqliteLookup)->Iterations(kLookups)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_HashSetLookup)->Iterations(kLookups)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_StoreAdd)->Iterations(kAdds)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_SqliteWalAdd)->Iterations(kAdds)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_LockEveryCommitAdd)->Iterations(kAdds)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_RollbackJournalAdd)->Iterations(kSyncedAdds)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_JsonValuePage)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_NlohmannPage)->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
