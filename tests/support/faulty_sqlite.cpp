#include "support/faulty_sqlite.h"

#include <sqlite3.h>

#include <utility>

namespace albumdl::testing {

namespace {

// An open file: ours first, the system layer's right behind it.
struct File {
  sqlite3_file base;
  FaultySqlite* owner;
  bool affected;
  sqlite3_file* Real() { return reinterpret_cast<sqlite3_file*>(this + 1); }
};

File* Of(sqlite3_file* file) { return reinterpret_cast<File*>(file); }
const sqlite3_io_methods* RealMethods(sqlite3_file* file) { return Of(file)->Real()->pMethods; }

// A call of the system layer's own method, unchanged.
template <auto Method>
struct Pass;
template <typename R, typename... A, R (*sqlite3_io_methods::*Method)(sqlite3_file*, A...)>
struct Pass<Method> {
  static R Call(sqlite3_file* file, A... args) {
    return (RealMethods(file)->*Method)(Of(file)->Real(), args...);
  }
};
// The same, unless the fault is on: then the error instead.
template <auto Method, const std::atomic<bool> FaultySqlite::*Fault, int Error>
struct Failing;
template <typename... A, int (*sqlite3_io_methods::*Method)(sqlite3_file*, A...),
          const std::atomic<bool> FaultySqlite::*Fault, int Error>
struct Failing<Method, Fault, Error> {
  static int Call(sqlite3_file* file, A... args) {
    File* f = Of(file);
    if (f->affected && f->owner->*Fault) {
      f->owner->Count();
      return Error;
    }
    return (RealMethods(file)->*Method)(f->Real(), args...);
  }
};

using M = sqlite3_io_methods;
constexpr auto kReads = &FaultySqlite::failReads;
constexpr auto kWrites = &FaultySqlite::failWrites;

// No memory-mapped pages: every read goes through xRead.
int Fetch(sqlite3_file*, sqlite3_int64, int, void** out) {
  *out = nullptr;
  return SQLITE_OK;
}
int Unfetch(sqlite3_file*, sqlite3_int64, void*) { return SQLITE_OK; }

// Every read transaction of a WAL store starts at the shared index: a failing
// disk shows there even when the pages are in SQLite's cache.
const sqlite3_io_methods kMethods = {3,
                                     Pass<&M::xClose>::Call,
                                     Failing<&M::xRead, kReads, SQLITE_IOERR_READ>::Call,
                                     Failing<&M::xWrite, kWrites, SQLITE_IOERR_WRITE>::Call,
                                     Failing<&M::xTruncate, kWrites, SQLITE_IOERR_TRUNCATE>::Call,
                                     Failing<&M::xSync, kWrites, SQLITE_IOERR_FSYNC>::Call,
                                     Pass<&M::xFileSize>::Call,
                                     Pass<&M::xLock>::Call,
                                     Pass<&M::xUnlock>::Call,
                                     Pass<&M::xCheckReservedLock>::Call,
                                     Pass<&M::xFileControl>::Call,
                                     Pass<&M::xSectorSize>::Call,
                                     Pass<&M::xDeviceCharacteristics>::Call,
                                     Failing<&M::xShmMap, kReads, SQLITE_IOERR_SHMMAP>::Call,
                                     Failing<&M::xShmLock, kReads, SQLITE_IOERR_SHMLOCK>::Call,
                                     Pass<&M::xShmBarrier>::Call,
                                     Pass<&M::xShmUnmap>::Call,
                                     Fetch,
                                     Unfetch};

}  // namespace

struct FaultySqlite::Parts {
  sqlite3_vfs vfs;
  sqlite3_vfs* real;
  FaultySqlite* owner;
};

namespace {

FaultySqlite::Parts* PartsOf(sqlite3_vfs* vfs) {
  return static_cast<FaultySqlite::Parts*>(vfs->pAppData);
}

int Open(sqlite3_vfs* vfs, const char* name, sqlite3_file* file, int flags, int* outFlags) {
  FaultySqlite::Parts* parts = PartsOf(vfs);
  File* ours = Of(file);
  ours->owner = parts->owner;
  ours->affected = name != nullptr && parts->owner->Affects(name);
  const int rc = parts->real->xOpen(parts->real, name, ours->Real(), flags, outFlags);
  ours->base.pMethods = ours->Real()->pMethods != nullptr ? &kMethods : nullptr;
  return rc;
}
template <auto Method>
struct PassVfs;
template <typename R, typename... A, R (*sqlite3_vfs::*Method)(sqlite3_vfs*, A...)>
struct PassVfs<Method> {
  static R Call(sqlite3_vfs* vfs, A... args) {
    sqlite3_vfs* real = PartsOf(vfs)->real;
    return (real->*Method)(real, args...);
  }
};

}  // namespace

FaultySqlite::FaultySqlite(std::string under) : under_(std::move(under)), parts_(new Parts{}) {
  sqlite3_initialize();
  parts_->real = sqlite3_vfs_find(nullptr);
  parts_->owner = this;
  sqlite3_vfs& vfs = parts_->vfs;
  vfs.iVersion = 2;
  vfs.szOsFile = static_cast<int>(sizeof(File)) + parts_->real->szOsFile;
  vfs.mxPathname = parts_->real->mxPathname;
  vfs.zName = "albumdl-faulty";
  vfs.pAppData = parts_;
  vfs.xOpen = Open;
  vfs.xDelete = PassVfs<&sqlite3_vfs::xDelete>::Call;
  vfs.xAccess = PassVfs<&sqlite3_vfs::xAccess>::Call;
  vfs.xFullPathname = PassVfs<&sqlite3_vfs::xFullPathname>::Call;
  vfs.xRandomness = PassVfs<&sqlite3_vfs::xRandomness>::Call;
  vfs.xSleep = PassVfs<&sqlite3_vfs::xSleep>::Call;
  vfs.xCurrentTime = PassVfs<&sqlite3_vfs::xCurrentTime>::Call;
  vfs.xGetLastError = PassVfs<&sqlite3_vfs::xGetLastError>::Call;
  vfs.xCurrentTimeInt64 = PassVfs<&sqlite3_vfs::xCurrentTimeInt64>::Call;
  sqlite3_vfs_register(&vfs, /*makeDefault=*/1);
}

FaultySqlite::~FaultySqlite() {
  sqlite3_vfs_unregister(&parts_->vfs);
  delete parts_;
}

bool FaultySqlite::Affects(const char* path) const {
  return std::string(path).rfind(under_, 0) == 0;
}

}  // namespace albumdl::testing
