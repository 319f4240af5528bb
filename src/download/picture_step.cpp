#include "download/picture_step.h"

#include <algorithm>
#include <string>

#include "download/picture_fetch.h"
#include "platform/files.h"
#include "site/site.h"
#include "text/safe_name.h"

namespace albumdl {

namespace {

// The share goes above 100 % when the site has more pins than the count said;
// it is kept as the window's progress bar keeps positions, up to 32767. Without
// a usable count every picture lies beyond it, so the bar shows full.
void ShowProgress(DownloadContext& context, long long pictureNumber) {
  RunProgress& progress = context.progress;
  const long long share =
      progress.pictureCount > 0 ? pictureNumber * 100 / progress.pictureCount : 100;
  progress.picture = pictureNumber;
  progress.share = static_cast<int>(std::clamp(share, 0LL, 32767LL));
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

bool PictureStep(Album& album, const JsonValue& pin, long long pictureNumber) {
  DownloadContext& context = album.context;
  if (!context.Checkpoint()) return false;
  PictureOutcome outcome;
  const std::optional<PictureTask> task = TakePin(album, pin, pictureNumber, outcome);
  if (!task) {
    TellPicture(album, outcome);
    return context.gate.Pass();
  }
  PaceClock::time_point fetchedAt;
  outcome = FetchAndSave(album, *task, fetchedAt);
  if (outcome.kind == PictureOutcome::Kind::kEnded) return false;
  RecordPicture(album, outcome);
  TellPicture(album, outcome);
  // The pause after the picture began when its fetch was over: saving it
  // took some of it.
  if (!context.pacer.PumpingWaitSince(fetchedAt, kPicturePauseMs)) return false;
  return context.gate.Pass();
}

std::optional<PictureTask> TakePin(Album& album, const JsonValue& pin, long long pictureNumber,
                                   PictureOutcome& outcome) {
  DownloadContext& context = album.context;
  ShowProgress(context, pictureNumber);

  PictureTask task;
  task.number = pictureNumber;
  const JsonValue file = pin.Member("file");
  task.key = TextReplace(file.Member("key").Render(), "\"", "");
  task.extension = PictureExtension(file.Member("type").Render());
  task.photoId = TextTrim(pin.Member("pin_id").Render());
  outcome.number = pictureNumber;
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
  // takes effect at the next one.
  if (context.window.Values().DuplicateSwitch() && album.store.Contains(task.photoId)) {
    outcome.kind = PictureOutcome::Kind::kSkipped;
    return std::nullopt;
  }
  return task;
}

PictureOutcome FetchAndSave(Album& album, const PictureTask& task,
                            PaceClock::time_point& fetchedAt) {
  DownloadContext& context = album.context;
  PictureOutcome outcome;
  outcome.number = task.number;
  outcome.photoId = task.photoId;
  const Site& site = context.session.site;
  const Fetched fetch = FetchPicture(context, PictureUrl(site, task.key),
                                     PictureRefererLine(site, album.job.albumId));
  fetchedAt = PaceClock::now();
  if (fetch.ended) return outcome;  // kEnded
  if (!fetch.verdict.ok()) {
    // No file and no record: the next run tries this picture again.
    outcome.kind = PictureOutcome::Kind::kFetchFailed;
    outcome.reason = fetch.verdict.reason;
    return outcome;
  }
  // The id is recorded only once the picture is in place under its name.
  outcome.fileName = std::to_string(task.number) + "_" + task.photoId + task.extension;
  const platform::FileStatus saved =
      SavePicture(album.nativeFolder, outcome.fileName, fetch.reply.body);
  if (!saved.ok()) {
    outcome.kind = PictureOutcome::Kind::kSaveFailed;
    outcome.reason = saved.Reason();
    return outcome;
  }
  outcome.kind = PictureOutcome::Kind::kSaved;
  return outcome;
}

void RecordPicture(Album& album, PictureOutcome& outcome) {
  if (outcome.kind != PictureOutcome::Kind::kSaved) return;
  // A store that could not be opened records nothing, and says nothing more
  // than its opening did.
  const bool open = album.store.IsOpen();
  outcome.recordFailed = !album.store.Record(outcome.photoId) && open;
}

void TellPicture(Album& album, const PictureOutcome& outcome) {
  Window& window = album.context.window;
  DownloadSummary& summary = album.context.summary;
  const Text number = std::to_string(outcome.number);
  switch (outcome.kind) {
    case PictureOutcome::Kind::kSaved:
      ++summary.saved;
      if (outcome.recordFailed && !album.recordFailureLogged) {
        // The picture is there; only a later run with the duplicate switch on
        // would fetch it again.
        window.AppendLog("第[" + number + "]个图片的下载记录无法保存\r\n");
        album.recordFailureLogged = true;
      }
      return;
    case PictureOutcome::Kind::kSkipped:
      ++summary.skipped;
      return;
    case PictureOutcome::Kind::kBadId:
      window.AppendLog("第[" + number + "]个图片的编号不对，已跳过\r\n");
      ++summary.failedPictures;
      return;
    case PictureOutcome::Kind::kBadKey:
      window.AppendLog("第[" + number + "]个图片的地址不对，已跳过\r\n");
      ++summary.failedPictures;
      return;
    case PictureOutcome::Kind::kFetchFailed:
      window.AppendLog("第[" + number + "]个图片下载失败\r\n");
      window.AppendLog("原因：" + outcome.reason + "\r\n");
      ++summary.failedPictures;
      return;
    case PictureOutcome::Kind::kSaveFailed:
      // A full disk or a folder gone read-only fails every picture alike: said
      // once for the album, each picture counted.
      if (!album.saveFailureLogged) {
        window.AppendLog("图片无法保存：" + platform::ShownPath(album.folder + outcome.fileName) +
                         "（" + outcome.reason + "）\r\n");
        album.saveFailureLogged = true;
      }
      ++summary.failedPictures;
      return;
    case PictureOutcome::Kind::kEnded:
      return;
  }
}

}  // namespace albumdl
