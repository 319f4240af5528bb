#include "download/picture_step.h"

#include <algorithm>
#include <string>

#include "download/picture_fetch.h"
#include "net/site.h"
#include "platform/files.h"
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
  Window& window = context.window;
  DownloadSummary& summary = context.summary;
  const Text number = std::to_string(pictureNumber);
  if (!context.Checkpoint()) return false;
  ShowProgress(context, pictureNumber);

  const JsonValue file = pin.Member("file");
  const Text key = TextReplace(file.Member("key").Render(), "\"", "");
  const Text extension = PictureExtension(file.Member("type").Render());
  const Text photoId = TextTrim(pin.Member("pin_id").Render());

  // The photo id becomes part of the file name and the key part of the
  // picture's address: anything but a plain number, or a key that could climb
  // out of the image host's folder, could lead somewhere it should not.
  if (!IsPlainDecimal(photoId)) {
    window.AppendLog("第[" + number + "]个图片的编号不对，已跳过\r\n");
    ++summary.failedPictures;
    return context.gate.Pass();
  }
  if (!IsSafeFileKey(key)) {
    window.AppendLog("第[" + number + "]个图片的地址不对，已跳过\r\n");
    ++summary.failedPictures;
    return context.gate.Pass();
  }

  // The switch is read for every picture, so turning it on or off during a run
  // takes effect at the next one.
  if (window.Values().DuplicateSwitch() && album.store.Contains(photoId)) {
    ++summary.skipped;
    return context.gate.Pass();
  }

  const Site& site = context.session.site;
  const Fetched fetch =
      FetchPicture(context, PictureUrl(site, key), PictureRefererLine(site, album.job.albumId));
  if (fetch.ended || !context.pacer.PumpingWait(kPicturePauseMs)) return false;

  if (!fetch.verdict.ok()) {
    // No file and no record: the next run tries this picture again.
    window.AppendLog("第[" + number + "]个图片下载失败\r\n");
    window.AppendLog("原因：" + fetch.verdict.reason + "\r\n");
    ++summary.failedPictures;
    return context.gate.Pass();
  }
  // The id is recorded only once the picture is in place under its name.
  const Text fileName = number + "_" + photoId + extension;
  const platform::FileStatus saved = SavePicture(album.nativeFolder, fileName, fetch.reply.body);
  if (!saved.ok()) {
    // A full disk or a folder gone read-only fails every picture alike: said
    // once for the album, each picture counted.
    if (!album.saveFailureLogged) {
      window.AppendLog("图片无法保存：" + album.folder + fileName + "（" + saved.Reason() +
                       "）\r\n");
      album.saveFailureLogged = true;
    }
    ++summary.failedPictures;
    return context.gate.Pass();
  }
  ++summary.saved;
  if (!album.store.Record(photoId) && album.store.IsOpen() && !album.recordFailureLogged) {
    // The picture is there; only a later run with the duplicate switch on
    // would fetch it again.
    window.AppendLog("第[" + number + "]个图片的下载记录无法保存\r\n");
    album.recordFailureLogged = true;
  }
  return context.gate.Pass();
}

}  // namespace albumdl
