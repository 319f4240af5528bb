#include "download/sync_pass.h"

#include "text/safe_name.h"

namespace albumdl {

namespace {

Text WithoutLeadingZeros(const Text& id) {
  const size_t first = id.find_first_not_of('0');
  return first == Text::npos ? Text("0") : id.substr(first);
}

Text PinIdOf(const PagePin& pin) { return TextTrim(pin.pin.Member("pin_id").Render()); }

}  // namespace

bool NewerPinId(const Text& a, const Text& b) {
  if (!IsPlainDecimal(a) || !IsPlainDecimal(b)) return false;
  const Text x = WithoutLeadingZeros(a), y = WithoutLeadingZeros(b);
  return x.size() != y.size() ? x.size() > y.size() : x > y;
}

SyncPass::SyncPass(DuplicateStore& store, bool newestFirst, bool sync)
    : store_(store), newestFirst_(newestFirst) {
  if (!newestFirst_) return;
  stored_ = store_.SyncMark();
  if (stored_ && !IsPlainDecimal(*stored_)) stored_.reset();  // not one of ours: no mark
  if (sync) mark_ = stored_;
}

bool SyncPass::CutAtMark(std::vector<PagePin>& pins) {
  if (!newestFirst_) return false;
  bool reached = false;
  for (size_t i = 0; i < pins.size(); ++i) {
    const Text id = PinIdOf(pins[i]);
    // At or below the mark: a plain number that is not newer than it.
    if (mark_ && IsPlainDecimal(id) && !NewerPinId(id, *mark_)) {
      pins.resize(i);
      reached = true;
      break;
    }
    if (newest_.empty() || NewerPinId(id, newest_)) newest_ = id;
  }
  return reached;
}

bool SyncPass::Finish(bool complete) {
  if (!newestFirst_ || !complete || !IsPlainDecimal(newest_)) return true;
  // A complete pass from the top without sync may find the newest pins gone:
  // its own newest is the truth then. A sync pass reached the old mark: it
  // only ever moves it up.
  if (stored_ && !NewerPinId(newest_, *stored_) && (mark_ || newest_ == *stored_)) return true;
  return store_.SetSyncMark(newest_);
}

}  // namespace albumdl
