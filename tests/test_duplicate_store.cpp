// The per-album record store on real SQLite files in a temporary program folder.
#include <gtest/gtest.h>
#include <sqlite3.h>

#include <chrono>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include "download/duplicate_store.h"
#include "download/picture_index.h"
#include "platform/files.h"
#include "support/faulty_sqlite.h"
#include "support/temp_dir.h"

namespace albumdl {
namespace {

namespace fs = std::filesystem;
using testing::TempDir;

using Outcome = StoreOpening::Outcome;

class DuplicateStoreTest : public ::testing::Test {
 protected:
  std::string NativeRecordFile(const Text& albumId) const {
    return platform::NativePathOf(DuplicateStore::RecordFile(home.Path(), albumId)).str();
  }
  // Every file under the program folder, as native paths relative to it.
  std::vector<std::string> FilesUnderHome() const {
    std::vector<std::string> files;
    const fs::path root = testing::NativeFsPath(home.Native());
    for (const auto& entry : fs::recursive_directory_iterator(root)) {
      if (entry.is_regular_file())
        files.push_back(testing::Utf8Of(fs::relative(entry.path(), root)));
    }
    return files;
  }

  TempDir home;
};

TEST_F(DuplicateStoreTest, FirstOpenCreatesAndLogsLaterOpensAreSilentAndKeepRecords) {
  {
    DuplicateStore store;
    ASSERT_EQ(store.Open(home.Path(), "b1").outcome, Outcome::kCreated);
    EXPECT_TRUE(store.Add("123"));
    EXPECT_TRUE(store.Add("456"));
    EXPECT_FALSE(store.Add("123")) << "an id is recorded once";
    EXPECT_TRUE(store.Contains("123"));
    EXPECT_FALSE(store.Contains("12")) << "no prefix match";
    EXPECT_FALSE(store.Contains("1234"));
  }
  EXPECT_TRUE(fs::is_regular_file(testing::NativeFsPath(
      platform::NativePathOf(home.File("防止重复下载数据库\\b1.edb")).str())));

  DuplicateStore again;
  ASSERT_EQ(again.Open(home.Path(), "b1").outcome, Outcome::kOpened);
  EXPECT_TRUE(again.Contains("123"));
  EXPECT_TRUE(again.Contains("456"));
  EXPECT_FALSE(again.Contains("789"));

  // The sync mark: none until a complete pass sets it, then the latest one.
  EXPECT_FALSE(again.SyncMark().has_value());
  EXPECT_TRUE(again.SetSyncMark("456"));
  EXPECT_TRUE(again.SetSyncMark("9000"));
  again.Close();
  EXPECT_FALSE(again.SetSyncMark("1"));
  ASSERT_EQ(again.Open(home.Path(), "b1").outcome, Outcome::kOpened);
  EXPECT_EQ(again.SyncMark(), Text("9000"));
  EXPECT_TRUE(again.Contains("456")) << "the mark is no record";
  EXPECT_FALSE(again.Contains("9000"));
}

TEST_F(DuplicateStoreTest, RecordIsOneCommitWhetherTheIdIsNewOrNot) {
  DuplicateStore store;
  ASSERT_EQ(store.Open(home.Path(), "b1").outcome, Outcome::kCreated);
  EXPECT_TRUE(store.Record("7"));
  EXPECT_TRUE(store.Record("7")) << "an id on record already is no failure";
  EXPECT_FALSE(store.Add("7"));
  EXPECT_TRUE(store.Contains("7"));
  store.Close();
  EXPECT_FALSE(store.Record("8")) << "a closed store records nothing";
}

// The one-copy index: a copy is found under its save folder only (with or
// without the folder's last separator), and only while its file holds the
// bytes it was indexed with; a file gone or changed is passed over for good.
TEST_F(DuplicateStoreTest, PictureIndexFindsOnlyCopiesThatStillHoldTheirBytes) {
  const Text address = "http://127.0.0.1:9/img/k1.jpg";
  const Text first = home.File("a\\1_1.jpg"), second = home.File("b\\2_2.jpg");
  ASSERT_TRUE(platform::MakeSureDirectoryPathExists(first));
  ASSERT_TRUE(platform::MakeSureDirectoryPathExists(second));
  ASSERT_TRUE(platform::WriteWholeFile(first, "picture"));
  ASSERT_TRUE(platform::WriteWholeFile(second, "picture"));
  {
    PictureIndex index;
    ASSERT_TRUE(index.Open(home.Path()));
    EXPECT_TRUE(index.Put(home.Path(), address, first, "picture"));
    EXPECT_TRUE(index.Put(home.Path(), address, second, "picture"));
  }
  PictureIndex index;
  ASSERT_TRUE(index.Open(home.Path()));
  EXPECT_FALSE(index.FindCopy(home.File("a"), address)) << "another save folder";
  EXPECT_FALSE(index.FindCopy(home.Path(), address + "x"));
  const auto found = index.FindCopy(home.Path() + "\\", address);
  ASSERT_TRUE(found);
  EXPECT_EQ(found->bytes, "picture");

  ASSERT_TRUE(platform::RemoveFile(first));
  ASSERT_TRUE(platform::WriteWholeFile(second, "pictur!"));  // the same size, other bytes
  EXPECT_FALSE(index.FindCopy(home.Path(), address));
  ASSERT_TRUE(platform::WriteWholeFile(second, "picture"));
  EXPECT_FALSE(index.FindCopy(home.Path(), address)) << "a changed entry is dropped";
  EXPECT_NE(PictureHash("picture"), PictureHash("pictur!"));
}

// A program that reads the store (the sqlite3 shell's BEGIN; SELECT ...)
// never stops it; one that writes it is waited for; one that keeps writing it
// past the wait is let go of, and says so, instead of turning the duplicate
// switch off without a word.
TEST_F(DuplicateStoreTest, AReaderNeverStopsTheStoreAWriterPastTheWaitIsSaid) {
  {
    DuplicateStore store;
    ASSERT_EQ(store.Open(home.Path(), "b1").outcome, Outcome::kCreated);
    ASSERT_TRUE(store.Record("1"));
  }
  sqlite3* other = nullptr;
  ASSERT_EQ(sqlite3_open(NativeRecordFile("b1").c_str(), &other), SQLITE_OK);
  ASSERT_EQ(sqlite3_exec(other, "BEGIN; SELECT count(*) FROM photos;", nullptr, nullptr, nullptr),
            SQLITE_OK);
  DuplicateStore store;
  ASSERT_EQ(store.Open(home.Path(), "b1").outcome, Outcome::kOpened);
  EXPECT_TRUE(store.Contains("1"));
  EXPECT_TRUE(store.Record("2"));
  EXPECT_TRUE(store.Contains("2"));
  ASSERT_EQ(sqlite3_exec(other, "COMMIT;", nullptr, nullptr, nullptr), SQLITE_OK);
  {
    // A writer whose turn ends well within the wait: the add waits for it
    // instead of giving up the store.
    ASSERT_EQ(sqlite3_exec(other, "BEGIN IMMEDIATE;", nullptr, nullptr, nullptr), SQLITE_OK);
    std::thread turn([other] {
      std::this_thread::sleep_for(std::chrono::milliseconds(200));
      sqlite3_exec(other, "COMMIT;", nullptr, nullptr, nullptr);
    });
    EXPECT_TRUE(store.Record("3"));
    turn.join();
    EXPECT_TRUE(store.IsOpen());
  }
  ASSERT_EQ(sqlite3_exec(other, "BEGIN IMMEDIATE;", nullptr, nullptr, nullptr), SQLITE_OK);
  EXPECT_TRUE(store.Contains("1")) << "reading goes on while another writes";
  EXPECT_FALSE(store.Record("4"));
  EXPECT_TRUE(store.Busy());
  EXPECT_FALSE(store.IsOpen()) << "no second wait for every later picture";
  sqlite3_exec(other, "ROLLBACK;", nullptr, nullptr, nullptr);
  // A store held from before the open: said as held, not as unreadable.
  sqlite3_exec(other, "PRAGMA locking_mode=EXCLUSIVE; BEGIN EXCLUSIVE; SELECT 1 FROM photos;",
               nullptr, nullptr, nullptr);
  const StoreOpening held = store.Open(home.Path(), "b1");
  EXPECT_EQ(held.outcome, Outcome::kUnusable);
  EXPECT_TRUE(held.busy);
  sqlite3_close(other);
}

TEST_F(DuplicateStoreTest, KeywordAlbumsHaveTheirOwnStore) {
  DuplicateStore store;
  ASSERT_EQ(store.Open(home.Path(), "关键词_cat").outcome, Outcome::kCreated);
  store.Add("7");
  store.Close();
  EXPECT_TRUE(fs::is_regular_file(testing::NativeFsPath(
      platform::NativePathOf(home.File("防止重复下载数据库\\关键词_cat.edb")).str())));

  DuplicateStore board;
  ASSERT_EQ(board.Open(home.Path(), "cat").outcome, Outcome::kCreated);
  EXPECT_FALSE(board.Contains("7")) << "a board and a keyword album never share a store";
}

// A keyword of eighty Chinese characters is too long for a file name once
// ".edb-wal" is added: its store gets a shortened name of its own, the same at
// every run, and one that differs only after the cut gets another.
TEST_F(DuplicateStoreTest, IdTooLongForAFileNameGetsAStableShortenedStore) {
  Text keyword;
  for (int i = 0; i < 80; ++i) keyword += "长";
  const Text first = "关键词_" + keyword + "一";
  const Text second = "关键词_" + keyword + "二";
  // The longest that fits: 255 bytes of UTF-8 with ".edb-wal".
  const Text fitting = "关键词_" + keyword.substr(0, 2 * 79);

  EXPECT_EQ(StoreFileName(fitting), fitting + ".edb") << "a name that fits stays as it was";
  for (const Text& id : {first, second}) {
    SCOPED_TRACE(id);
    const std::string name =
        testing::Utf8Of(testing::NativeFsPath(NativeRecordFile(id)).filename());
    EXPECT_LE(name.size() + sizeof(".damaged-999-wal") - 1, 255u);
    EXPECT_TRUE(name.ends_with(".edb"));
    DuplicateStore store;
    ASSERT_EQ(store.Open(home.Path(), id).outcome, Outcome::kCreated);
    EXPECT_TRUE(store.Record(id == first ? "1" : "2"));
    store.Close();
    ASSERT_EQ(store.Open(home.Path(), id).outcome, Outcome::kOpened) << "the same name again";
    EXPECT_TRUE(store.Contains(id == first ? "1" : "2"));
    EXPECT_FALSE(store.Contains(id == first ? "2" : "1")) << "two ids never share a store";
  }
  EXPECT_NE(StoreFileName(first), StoreFileName(second));
}

TEST_F(DuplicateStoreTest, DoubleByteIdWhoseTrailByteIsABackslashIsAccepted) {
  const Text id = "乗";  // 81 5C in code page 936
  ASSERT_EQ(id, Text("\x81\x5c"));
  DuplicateStore store;
  ASSERT_EQ(store.Open(home.Path(), id).outcome, Outcome::kCreated);
  EXPECT_TRUE(store.Add("1"));
  EXPECT_TRUE(fs::is_regular_file(testing::NativeFsPath(
      platform::NativePathOf(home.File("防止重复下载数据库\\乗.edb")).str())));
}

TEST_F(DuplicateStoreTest, IdsThatCouldLeaveTheStoreFolderGetNoStore) {
  for (const Text& id : {Text("..\\escaped"), Text("../escaped"), Text("a/b"), Text("a\\b"),
                         Text("a\tb"), Text("..")}) {
    SCOPED_TRACE(id);
    DuplicateStore store;
    EXPECT_EQ(store.Open(home.Path(), id).outcome, Outcome::kCreateFailed);
    EXPECT_FALSE(store.Add("1"));
    EXPECT_FALSE(store.Contains("1"));
  }
  EXPECT_TRUE(FilesUnderHome().empty());
  EXPECT_FALSE(fs::exists(testing::NativeFsPath(home.Native()).parent_path() / "escaped.edb"));
}

TEST_F(DuplicateStoreTest, UncreatableStoreFolderFailsAndRecordsNothing) {
  // A file where the program folder should be: nothing can be made inside it.
  ASSERT_TRUE(platform::WriteWholeFile(home.File("program"), "x"));
  DuplicateStore store;
  EXPECT_EQ(store.Open(home.File("program"), "b1").outcome, Outcome::kCreateFailed);
  EXPECT_FALSE(store.Add("1"));
  EXPECT_FALSE(store.Contains("1"));
}

// A damaged file, journal files beside it: put aside, and the new store
// starts clean (SQLite itself drops the journals it cannot use).
TEST_F(DuplicateStoreTest, FileOfAnotherKindIsRenamedAsideAndReplaced) {
  ASSERT_TRUE(EnsureDuplicateStoreFolder(home.Path()));
  const std::string garbage(4096, 'z');
  const Text file = DuplicateStore::RecordFile(home.Path(), "b1");
  for (const char* journal : {"", "-wal", "-shm"})
    ASSERT_TRUE(platform::WriteWholeFile(file + journal, garbage));

  DuplicateStore store;
  const StoreOpening opening = store.Open(home.Path(), "b1");
  EXPECT_EQ(opening.outcome, Outcome::kCreated);
  EXPECT_EQ(opening.damagedAside, "b1.edb.damaged-1");
  EXPECT_TRUE(store.Add("5"));
  store.Close();
  ASSERT_EQ(store.Open(home.Path(), "b1").outcome, Outcome::kOpened);
  EXPECT_TRUE(store.Contains("5"));
  store.Close();
  EXPECT_EQ(platform::ReadWholeFile(DuplicateStore::RecordFile(home.Path(), "b1") + ".damaged-1"),
            garbage)
      << "the old file is kept as it was";

  // A second damaged file does not overwrite the first one kept aside.
  ASSERT_TRUE(platform::WriteWholeFile(DuplicateStore::RecordFile(home.Path(), "b1"), garbage));
  EXPECT_EQ(store.Open(home.Path(), "b1").damagedAside, "b1.edb.damaged-2");
  EXPECT_FALSE(store.Contains("5"));
}

// Another program's database, also one with a table of our name but not of
// our making.
TEST_F(DuplicateStoreTest, ForeignSqliteDatabaseIsRenamedAside) {
  ASSERT_TRUE(EnsureDuplicateStoreFolder(home.Path()));
  for (const Text& id : {Text("b1"), Text("b2")}) {
    sqlite3* db = nullptr;
    ASSERT_EQ(sqlite3_open(NativeRecordFile(id).c_str(), &db), SQLITE_OK);
    ASSERT_EQ(sqlite3_exec(db,
                           id == "b1" ? "CREATE TABLE other(x); INSERT INTO other VALUES(1);"
                                      : "CREATE TABLE photos(x); INSERT INTO photos VALUES(1);",
                           nullptr, nullptr, nullptr),
              SQLITE_OK);
    sqlite3_close(db);

    DuplicateStore store;
    const StoreOpening opening = store.Open(home.Path(), id);
    EXPECT_EQ(opening.outcome, Outcome::kCreated) << id;
    EXPECT_EQ(opening.damagedAside, id + ".edb.damaged-1");
    EXPECT_TRUE(store.Add("5"));
    EXPECT_TRUE(fs::is_regular_file(testing::NativeFsPath(NativeRecordFile(id) + ".damaged-1")));
  }
}

// A disk that fails under the store: nothing is taken for recorded that was
// not, a look-up that fails fetches the picture again, and a store whose
// making failed leaves no file that would pass for one next time.
TEST_F(DuplicateStoreTest, WritesAndReadsThatFailAreNeverTakenForRecords) {
  ASSERT_TRUE(EnsureDuplicateStoreFolder(home.Path()));
  testing::FaultySqlite disk(home.Native());
  {
    DuplicateStore store;
    ASSERT_EQ(store.Open(home.Path(), "b1").outcome, Outcome::kCreated);
    ASSERT_TRUE(store.Record("1"));
    disk.failWrites = true;
    EXPECT_FALSE(store.Record("2"));
    EXPECT_FALSE(store.Add("3"));
    disk.failWrites = false;
    disk.failReads = true;
    EXPECT_FALSE(store.Contains("1"));
    disk.failReads = false;
    EXPECT_TRUE(store.Record("4")) << "the store goes on once the disk does";
    EXPECT_TRUE(store.Contains("1"));
    EXPECT_FALSE(store.Contains("2"));
  }
  disk.failWrites = true;
  DuplicateStore store;
  EXPECT_EQ(store.Open(home.Path(), "b2").outcome, Outcome::kCreateFailed);
  EXPECT_FALSE(store.Record("1"));
  EXPECT_GT(disk.failures(), 0);
  for (const std::string& file : FilesUnderHome())
    EXPECT_EQ(file.find("b2.edb"), std::string::npos) << file;
  disk.failWrites = false;
  EXPECT_EQ(store.Open(home.Path(), "b2").outcome, Outcome::kCreated);
  EXPECT_TRUE(store.Record("1"));
}

TEST_F(DuplicateStoreTest, StoreOfTheEarlierLayoutKeepsItsRecordsAndTakesNewOnes) {
  // A table with a separate unique index over the ids, as stores were made before.
  ASSERT_TRUE(EnsureDuplicateStoreFolder(home.Path()));
  sqlite3* db = nullptr;
  ASSERT_EQ(sqlite3_open(NativeRecordFile("b1").c_str(), &db), SQLITE_OK);
  ASSERT_EQ(sqlite3_exec(db,
                         "PRAGMA journal_mode=WAL;"
                         "CREATE TABLE photos(photo_id VARCHAR(20) NOT NULL);"
                         "CREATE UNIQUE INDEX photos_photo_id ON photos(photo_id);"
                         "INSERT INTO photos VALUES('100');",
                         nullptr, nullptr, nullptr),
            SQLITE_OK);
  sqlite3_close(db);

  for (int open = 1; open <= 2; ++open) {
    SCOPED_TRACE(open);
    DuplicateStore store;
    ASSERT_EQ(store.Open(home.Path(), "b1").outcome, Outcome::kOpened);
    EXPECT_TRUE(store.Contains("100"));
    EXPECT_FALSE(store.Add("100"));
    EXPECT_TRUE(store.Record("200"));
    EXPECT_TRUE(store.Contains("200"));
  }
}

TEST_F(DuplicateStoreTest, EmptyFileLeftByAnInterruptedCreationIsTakenIn) {
  ASSERT_TRUE(EnsureDuplicateStoreFolder(home.Path()));
  ASSERT_TRUE(platform::WriteWholeFile(DuplicateStore::RecordFile(home.Path(), "b1"), ""));
  DuplicateStore store;
  ASSERT_EQ(store.Open(home.Path(), "b1").outcome, Outcome::kOpened);
  EXPECT_TRUE(store.Add("9"));
  EXPECT_TRUE(store.Contains("9"));
}

}  // namespace
}  // namespace albumdl
