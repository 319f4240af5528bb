// One pass over an album whose pages run newest first (a board), as far as a
// sync run cares. The album's store keeps a mark: the newest photo id of the
// last complete pass, the one that went down to the album's end with nothing
// failed. Everything at or below the mark was saved by that pass (the board
// lists its pins by falling id), so a sync run stops paging at the first pin
// at or below it and asks only for what is newer. The mark moves at the end of
// a complete pass, of a sync run or not, and only then, in one commit after
// every picture of the pass is in place and recorded: a pass that was ended,
// killed or failed leaves the old mark, and the next run finishes the job.
#pragma once

#include <optional>
#include <vector>

#include "download/duplicate_store.h"
#include "download/picture_step.h"

namespace albumdl {

// True when a is a newer (higher) pin id than b; both plain decimal numbers
// of any length. An id that is no plain number is never newer nor older.
bool NewerPinId(const Text& a, const Text& b);

class SyncPass {
 public:
  // newestFirst: the kind's pages run newest first (else nothing here
  // applies: no mark is read, cut or moved). sync: this run stops at the mark.
  SyncPass(DuplicateStore& store, bool newestFirst, bool sync);

  bool Applies() const { return newestFirst_; }
  // The mark this run stops at: none without sync or before a first complete pass.
  const std::optional<Text>& Mark() const { return mark_; }
  // Drops the page's pins from the first one at or below the mark on, and
  // notes the newest of those left. True when the mark was reached: the pages
  // after this one were covered by the last complete pass.
  bool CutAtMark(std::vector<PagePin>& pins);
  // At the album's end: moves the mark to the newest pin of this pass when
  // the pass was complete and found something newer. False when it should
  // have moved but could not be written.
  bool Finish(bool complete);

 private:
  DuplicateStore& store_;
  const bool newestFirst_;
  std::optional<Text> mark_;    // where this run stops
  std::optional<Text> stored_;  // the mark in the store when the album began
  Text newest_;                 // the newest pin id of this pass
};

}  // namespace albumdl
