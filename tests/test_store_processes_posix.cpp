// The record store shared with another process: one killed while it records,
// one that uses the store side by side with this one, one that holds it open
// while it is damaged. These fork the test
// program, which Windows cannot: there they are not built (see the README).
#include <gtest/gtest.h>
#include <signal.h>
#include <sqlite3.h>
#include <sys/wait.h>
#include <unistd.h>

#include <fstream>
#include <optional>
#include <string>

#include "download/duplicate_store.h"
#include "platform/files.h"
#include "support/temp_dir.h"

namespace albumdl {
namespace {

using testing::TempDir;
using Outcome = StoreOpening::Outcome;

class DuplicateStoreTest : public ::testing::Test {
 protected:
  TempDir home;
};

// A child program that records and is then killed, without closing its store.
TEST_F(DuplicateStoreTest, RecordsSurviveTheProgramBeingKilled) {
  ASSERT_EQ(DuplicateStore().Open(home.Path(), "b1").outcome, Outcome::kCreated);
  const pid_t child = ::fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    DuplicateStore store;
    const bool recorded = store.Open(home.Path(), "b1").outcome == Outcome::kOpened &&
                          store.Record("42") && store.Record("43") && store.SetSyncMark("43");
    ::kill(::getpid(), recorded ? SIGKILL : SIGTERM);
    ::_exit(1);
  }
  int status = 0;
  ASSERT_EQ(::waitpid(child, &status, 0), child);
  ASSERT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL) << "the child did not record";

  DuplicateStore store;
  ASSERT_EQ(store.Open(home.Path(), "b1").outcome, Outcome::kOpened);
  EXPECT_TRUE(store.Contains("42"));
  EXPECT_TRUE(store.Contains("43"));
  EXPECT_EQ(store.SyncMark(), Text("43"));
}

// Two programs use one album's store side by side (two runs of the same
// album): each sees what the other recorded, and neither stops the other.
TEST_F(DuplicateStoreTest, TwoProgramsUseOneStoreSideBySide) {
  int held[2], release[2];
  ASSERT_EQ(::pipe(held), 0);
  ASSERT_EQ(::pipe(release), 0);
  const pid_t child = ::fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    DuplicateStore store;
    bool ok = store.Open(home.Path(), "b1").outcome == Outcome::kCreated && store.Record("1");
    char byte = ok ? 'y' : 'n';
    ok = ::write(held[1], &byte, 1) == 1 && ::read(release[0], &byte, 1) == 1 && store.Record("2");
    ::_exit(ok ? 0 : 1);
  }
  char byte = 0;
  ASSERT_EQ(::read(held[0], &byte, 1), 1);
  ASSERT_EQ(byte, 'y');

  DuplicateStore second;
  EXPECT_EQ(second.Open(home.Path(), "b1").outcome, Outcome::kOpened);
  EXPECT_TRUE(second.Contains("1"));
  EXPECT_TRUE(second.Record("3"));

  ASSERT_EQ(::write(release[1], "go", 1), 1);
  int status = 0;
  ASSERT_EQ(::waitpid(child, &status, 0), child);
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "the first went on recording";
  for (int fd : {held[0], held[1], release[0], release[1]}) ::close(fd);

  EXPECT_TRUE(second.Contains("2"));
  second.Close();
  ASSERT_EQ(second.Open(home.Path(), "b1").outcome, Outcome::kOpened);
  for (const char* id : {"1", "2", "3"}) EXPECT_TRUE(second.Contains(id)) << id;
}

// A store damaged while another program holds it open with records still in
// its journal (SQLite folds a journal into its file only when the last user
// closes it): the journal goes aside with the file, byte for byte, and the
// new store starts empty. Windows renames no file another program has open.
TEST_F(DuplicateStoreTest, DamagedStoreHeldElsewhereGoesAsideWithItsJournal) {
  ASSERT_EQ(DuplicateStore().Open(home.Path(), "b1").outcome, Outcome::kCreated);
  const Text file = DuplicateStore::RecordFile(home.Path(), "b1");
  sqlite3* other = nullptr;
  ASSERT_EQ(sqlite3_open(platform::NativePathOf(file).c_str(), &other), SQLITE_OK);
  ASSERT_EQ(sqlite3_exec(other, "INSERT INTO photos(photo_id) VALUES('7'), ('8');", nullptr,
                         nullptr, nullptr),
            SQLITE_OK);
  const std::optional<Bytes> journal = platform::ReadWholeFile(file + "-wal");
  ASSERT_TRUE(journal && !journal->empty()) << "the records are in the journal";
  {
    std::fstream damage(platform::NativePathOf(file).str(),
                        std::ios::in | std::ios::out | std::ios::binary);
    damage.seekp(100);  // the first page's table of contents, behind the file's header
    damage << std::string(924, 'z');
  }

  DuplicateStore store;
  const StoreOpening opening = store.Open(home.Path(), "b1");
  EXPECT_EQ(opening.outcome, Outcome::kCreated);
  EXPECT_EQ(opening.damagedAside, "b1.edb.damaged-1");
  EXPECT_EQ(platform::ReadWholeFile(file + ".damaged-1-wal"), journal);
  EXPECT_FALSE(store.Contains("7")) << "nothing of the old journal in the new store";
  EXPECT_TRUE(store.Record("9"));
  sqlite3_close(other);
  store.Close();
  ASSERT_EQ(store.Open(home.Path(), "b1").outcome, Outcome::kOpened);
  EXPECT_TRUE(store.Contains("9"));
  EXPECT_FALSE(store.Contains("7"));
}

}  // namespace
}  // namespace albumdl
