#include "download/picture_step.h"

#include <algorithm>
#include <string>

#include "download/picture_fetch.h"
#include "download/safe_name.h"
#include "net/site.h"
#include "platform/files.h"

namespace albumdl {

namespace {

// The bar runs from 0 to 100; the label shows the share itself, which goes
// above 100 % when the site has more pins than the count said (the bar keeps
// positions up to 32767, as the window's progress bar does). Without a usable
// count every picture lies beyond it, so the bar shows full.
void ShowProgress(Window& window, long long pictureCount, long long pictureNumber) {
  const long long share = pictureCount > 0 ? pictureNumber * 100 / pictureCount : 100;
  const long long stored = std::clamp(share, 0LL, 32767LL);
  window.SetProgress(static_cast<int>(std::min(stored, 100LL)), 100);
  window.SetPercentCaption(std::to_string(stored) + "%");
  window.SetPictureCaption("第[" + std::to_string(pictureNumber) + "]个图片");
}

}  // namespace

Text PictureExtension(const Text& mediaType) {
  if (TextFind(mediaType, "gif") > 0) return ".gif";
  if (TextFind(mediaType, "png") > 0) return ".png";
  return ".jpg";
}

bool SavePicture(const Text& folder, const Text& fileName, const Bytes& body) {
  const Text temporary = folder + "." + fileName + ".part";
  if (platform::WriteWholeFile(temporary, body) &&
      platform::RenameFile(temporary, folder + fileName)) {
    return true;
  }
  platform::RemoveFile(temporary);
  return false;
}

bool PictureStep(Album& album, const JsonValue& pin, long long pictureNumber) {
  DownloadContext& context = album.context;
  Window& window = context.window;
  const Text number = std::to_string(pictureNumber);
  ShowProgress(window, album.pictureCount, pictureNumber);

  const JsonValue file = pin.Member("file");
  const Text key = TextReplace(file.Member("key").Render(), "\"", "");
  const Text extension = PictureExtension(file.Member("type").Render());
  const Text photoId = TextTrim(pin.Member("pin_id").Render());

  // The photo id becomes part of the file name and the key part of a request
  // line: anything but a plain number, or a key with control characters, could
  // lead somewhere it should not.
  if (!IsPlainDecimal(photoId) || HasControlCharacters(key)) {
    window.AppendLog("第[" + number + "]个图片的编号不对，已跳过\r\n");
    ++album.summary.failedPictures;
    return context.gate.Pass();
  }

  // The switch is read for every picture, so turning it on or off during a run
  // takes effect at the next one.
  if (window.DuplicateSwitch() && album.store.Contains(photoId)) {
    ++album.summary.skipped;
    return context.gate.Pass();
  }

  const Site& site = context.session.site;
  // The session cookies are shared with a retrieval on the window thread: the
  // fetch works on a copy, which is put back whole afterwards.
  Text cookies = context.session.sessionCookies.Get();
  const PictureFetch fetch = FetchPicture(
      PictureUrl(site, key), PictureRefererLine(site, album.job.albumId), cookies, context.pacer);
  context.session.sessionCookies = cookies;
  if (fetch.ended || !context.pacer.PumpingWait(kPicturePauseMs)) return false;

  if (!fetch.ok) {
    // No file and no record: the next run tries this picture again.
    window.AppendLog("第[" + number + "]个图片下载失败\r\n");
    ++album.summary.failedPictures;
    return context.gate.Pass();
  }
  // The id is recorded only once the picture is in place under its name.
  if (SavePicture(album.folder, number + "_" + photoId + extension, fetch.body)) {
    if (!album.store.Contains(photoId)) album.store.Add(photoId);
    ++album.summary.saved;
  } else {
    ++album.summary.failedPictures;
  }
  return context.gate.Pass();
}

}  // namespace albumdl
