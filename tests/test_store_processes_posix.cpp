// The record store shared with another process: one killed while it records,
// one that uses the store side by side with this one. These fork the test
// program, which Windows cannot: there they are not built (see the README).
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include "download/duplicate_store.h"
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

}  // namespace
}  // namespace albumdl
