#include "download/picture_step.h"

#include <algorithm>
#include <string>

#include "download/picture_fetch.h"
#include "download/picture_index.h"
#include "platform/files.h"
#include "site/site.h"
#include "text/safe_name.h"

namespace albumdl {

namespace {

void ShowProgress(DownloadContext& context, long long pictureNumber) {
  context.progress.picture = pictureNumber;
  context.progress.reached = pictureNumber;
  context.Report();
}

}  // namespace

Text PictureExtension(const Text& mediaType) {
  if (TextFind(mediaType, "gif") > 0) return ".gif";
  if (TextFind(mediaType, "png") > 0) return ".png";
  return ".jpg";
}

platform::FileStatus SavePicture(const platform::NativePath& folder, const Text& fileName,
                                 const Bytes& body) {
  // Not synced picture by picture: a crash of the program loses nothing that
  // was renamed into place, and the id is recorded only after the rename.
  return platform::WriteFileAtomically(folder / platform::NativePathOf(fileName).str(), body,
                                       /*sync=*/false);
}

bool PictureStep(AlbumWork& work, const PagePin& pin) {
  DownloadContext& context = work.context;
  if (!context.Checkpoint()) return false;
  PictureOutcome outcome;
  const std::optional<PictureTask> task = TakePin(work, pin, outcome);
  if (!task) {
    TellPicture(work, outcome);
    return context.gate.Pass();
  }
  PaceClock::time_point fetchedAt;
  outcome = FetchAndSave(work, *task, fetchedAt);
  if (outcome.kind == PictureOutcome::Kind::kEnded) return false;
  RecordPicture(work, outcome);
  TellPicture(work, outcome);
  // The pause after the picture began when its fetch was over: saving it
  // took some of it. A picture that was not fetched asked nothing of the site.
  if (!outcome.linked && !context.pacer.PumpingWaitSince(fetchedAt, kPicturePauseMs)) return false;
  return context.gate.Pass();
}

std::optional<PictureTask> TakePin(AlbumWork& work, const PagePin& pin, PictureOutcome& outcome) {
  DownloadContext& context = work.context;
  ShowProgress(context, pin.number);

  PictureTask task;
  task.number = pin.number;
  const JsonValue file = pin.pin.Member("file");
  task.key = TextReplace(file.Member("key").Render(), "\"", "");
  task.extension = PictureExtension(file.Member("type").Render());
  task.photoId = TextTrim(pin.pin.Member("pin_id").Render());
  outcome.number = pin.number;
  outcome.photoId = task.photoId;

  // The photo id becomes part of the file name and the key part of the
  // picture's address: anything but a plain number, or a key that could climb
  // out of the image host's folder, could lead somewhere it should not.
  if (!IsPlainDecimal(task.photoId)) {
    outcome.kind = PictureOutcome::Kind::kBadId;
    return std::nullopt;
  }
  if (!IsSafeFileKey(task.key)) {
    outcome.kind = PictureOutcome::Kind::kBadKey;
    return std::nullopt;
  }
  // The switch is read for every picture, so turning it on or off during a run
  // takes effect at the next one; a sync run skips what was saved throughout.
  if (context.SkipsRecorded() && work.store.Contains(task.photoId)) {
    outcome.kind = PictureOutcome::Kind::kSkipped;
    return std::nullopt;
  }
  return task;
}

namespace {

Text PictureFileName(const PictureTask& task) {
  return std::to_string(task.number) + "_" + task.photoId + task.extension;
}

// Marks a saved picture, or why it could not be saved.
void TakeSaveStatus(const platform::FileStatus& saved, PictureOutcome& outcome) {
  if (saved.ok()) {
    outcome.kind = PictureOutcome::Kind::kSaved;
    return;
  }
  outcome.kind = PictureOutcome::Kind::kSaveFailed;
  outcome.reason = saved.Reason();
  outcome.folderDead = saved.WillRepeat();
}

// A copy of the picture saved before under the album's save folder, made the
// picture's file in this album: a second name of it, or where the file system
// cannot link (another file system, none with links), a copy of its bytes.
// Nothing when no good copy is known: the picture is fetched as usual.
std::optional<PictureOutcome> LinkSavedCopy(AlbumWork& work, const PictureTask& task,
                                            const Text& address) {
  PictureIndex& index = *work.context.pictureIndex;
  std::optional<PictureIndex::Copy> copy = index.FindCopy(work.saveRoot, address);
  if (!copy) return std::nullopt;
  PictureOutcome outcome;
  outcome.number = task.number;
  outcome.photoId = task.photoId;
  outcome.fileName = PictureFileName(task);
  outcome.linked = true;
  platform::FileStatus saved = platform::LinkFileAtomically(
      platform::NativePathOf(copy->file),
      work.nativeFolder / platform::NativePathOf(outcome.fileName).str());
  if (!saved.ok()) saved = SavePicture(work.nativeFolder, outcome.fileName, copy->bytes);
  TakeSaveStatus(saved, outcome);
  // This name holds the picture too: it stands in when the first is gone.
  if (saved.ok()) index.Put(work.saveRoot, address, work.folder + outcome.fileName, copy->bytes);
  return outcome;
}

}  // namespace

PictureOutcome FetchAndSave(AlbumWork& work, const PictureTask& task,
                            PaceClock::time_point& fetchedAt) {
  DownloadContext& context = work.context;
  const Site& site = context.session.site;
  const Text address = PictureUrl(site, task.key);
  if (context.pictureIndex != nullptr) {
    if (std::optional<PictureOutcome> linked = LinkSavedCopy(work, task, address)) return *linked;
  }
  PictureOutcome outcome;
  outcome.number = task.number;
  outcome.photoId = task.photoId;
  const Fetched fetch = FetchPicture(context, address, PictureRefererLine(site, work.album.id));
  fetchedAt = PaceClock::now();
  if (fetch.ended) return outcome;  // kEnded
  if (!fetch.verdict.ok()) {
    // No file and no record: the next run tries this picture again.
    outcome.kind = PictureOutcome::Kind::kFetchFailed;
    outcome.reason = fetch.verdict.reason;
    return outcome;
  }
  // The id is recorded only once the picture is in place under its name, and
  // so is the file in the one-copy index.
  outcome.fileName = PictureFileName(task);
  const platform::FileStatus saved =
      SavePicture(work.nativeFolder, outcome.fileName, fetch.reply.body);
  TakeSaveStatus(saved, outcome);
  if (saved.ok() && context.pictureIndex != nullptr) {
    context.pictureIndex->Put(work.saveRoot, address, work.folder + outcome.fileName,
                              fetch.reply.body);
  }
  return outcome;
}

void RecordPicture(AlbumWork& work, PictureOutcome& outcome) {
  if (outcome.kind != PictureOutcome::Kind::kSaved) return;
  // A store that could not be opened records nothing, and says nothing more
  // than its opening did.
  const bool open = work.store.IsOpen();
  outcome.recordFailed = !work.store.Record(outcome.photoId) && open;
}

void TellPicture(AlbumWork& work, const PictureOutcome& outcome) {
  DownloadContext& context = work.context;
  DownloadSummary& summary = context.summary;
  const Text number = std::to_string(outcome.number);
  switch (outcome.kind) {
    case PictureOutcome::Kind::kSaved:
      ++summary.saved;
      if (outcome.linked) {
        ++summary.linked;
        ++work.linked;
      }
      if (outcome.recordFailed && !work.recordFailureLogged) {
        // The picture is there; only a later run with the duplicate switch on
        // would fetch it again.
        context.Log("第[" + number + "]个图片的下载记录无法保存\r\n");
        work.recordFailureLogged = true;
      }
      return;
    case PictureOutcome::Kind::kSkipped:
      ++summary.skipped;
      return;
    case PictureOutcome::Kind::kBadId:
      context.Log("第[" + number + "]个图片的编号不对，已跳过\r\n");
      ++summary.failedPictures;
      return;
    case PictureOutcome::Kind::kBadKey:
      context.Log("第[" + number + "]个图片的地址不对，已跳过\r\n");
      ++summary.failedPictures;
      return;
    case PictureOutcome::Kind::kFetchFailed:
      context.Log("第[" + number + "]个图片下载失败\r\n");
      context.Log("原因：" + outcome.reason + "\r\n");
      ++summary.failedPictures;
      return;
    case PictureOutcome::Kind::kSaveFailed:
      ++summary.failedPictures;
      // A folder that is gone, a full disk, a folder gone read-only fail
      // every picture alike: said once, and the album takes no more pins
      // (pictures other lanes had in hand fail alike, counted, not said).
      if (outcome.folderDead && work.folderDeathTold) return;
      context.Log("图片无法保存：" + platform::ShownPath(work.folder + outcome.fileName) + "（" +
                  outcome.reason + "）\r\n");
      if (outcome.folderDead) work.folderDead = work.folderDeathTold = true;
      return;
    case PictureOutcome::Kind::kEnded:
      return;
  }
}

}  // namespace albumdl
