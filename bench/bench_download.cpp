// What recording a saved picture and reading a page cost. The record store runs
// SQLite in WAL mode with synchronous=NORMAL; its peer is SQLite's default
// (rollback journal, synchronous=FULL), which syncs on every add. The page view
// is compared with a bare nlohmann parse of the same page.
#include <benchmark/benchmark.h>
#include <sqlite3.h>
#include <stdlib.h>

#include <filesystem>
#include <nlohmann/json.hpp>
#include <string>

#include "download/duplicate_store.h"
#include "download/json_value.h"
#include "platform/files.h"

namespace {

using albumdl::Text;

class ScratchFolder {
 public:
  ScratchFolder() {
    std::string pattern = "/tmp/albumdl-bench-XXXXXX";
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

void BM_DuplicateStoreAdd(benchmark::State& state) {
  ScratchFolder folder;
  albumdl::DuplicateStore store;
  store.Open(folder.Path(), "bench");
  long long id = 1;
  for (auto _ : state) benchmark::DoNotOptimize(store.Add(std::to_string(id++)));
  state.SetItemsProcessed(state.iterations());
}

void BM_RollbackJournalAdd(benchmark::State& state) {
  ScratchFolder folder;
  sqlite3* db = nullptr;
  sqlite3_open((folder.Native() + "/peer.db").c_str(), &db);
  sqlite3_exec(db,
               "PRAGMA synchronous=FULL; CREATE TABLE photos(photo_id VARCHAR(20) NOT NULL);"
               "CREATE UNIQUE INDEX photos_photo_id ON photos(photo_id);",
               nullptr, nullptr, nullptr);
  sqlite3_stmt* insert = nullptr;
  sqlite3_prepare_v2(db, "INSERT OR IGNORE INTO photos(photo_id) VALUES(?1)", -1, &insert, nullptr);
  long long id = 1;
  for (auto _ : state) {
    const std::string text = std::to_string(id++);
    sqlite3_bind_text(insert, 1, text.data(), static_cast<int>(text.size()), SQLITE_TRANSIENT);
    benchmark::DoNotOptimize(sqlite3_step(insert));
    sqlite3_reset(insert);
  }
  sqlite3_finalize(insert);
  sqlite3_close(db);
  state.SetItemsProcessed(state.iterations());
}

void BM_DuplicateStoreContains(benchmark::State& state) {
  ScratchFolder folder;
  albumdl::DuplicateStore store;
  store.Open(folder.Path(), "bench");
  const long long records = state.range(0);
  for (long long id = 1; id <= records; ++id) store.Add(std::to_string(id));
  long long probe = 0;
  for (auto _ : state) {
    benchmark::DoNotOptimize(store.Contains(std::to_string(probe % (2 * records))));
    ++probe;
  }
  state.SetItemsProcessed(state.iterations());
}

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

BENCHMARK(BM_DuplicateStoreAdd);
BENCHMARK(BM_RollbackJournalAdd);
BENCHMARK(BM_DuplicateStoreContains)->Arg(100000);
BENCHMARK(BM_JsonValuePage);
BENCHMARK(BM_NlohmannPage);

}  // namespace

BENCHMARK_MAIN();
