#include "site/album_answers.h"

#include "text/file_helpers.h"
#include "text/safe_name.h"

namespace albumdl {

namespace {

// The object that holds the album's members: the named one when the answer
// has it, else the answer itself.
JsonValue Holder(const JsonValue& root, const char* name) {
  const JsonValue inner = root.Member(name);
  return inner.IsObject() ? inner : root;
}

// What the site wrote goes into folder names, record-store names and the
// console: its control characters never get that far.
Text CleanTitle(const JsonValue& value) {
  return value.IsString() ? CleanFileName(RemoveControlCharacters(value.Render())) : Text();
}

void ReadAnswer(const FetchedPage& answer, const char* holderName, const char* titleName,
                const char* countName, Album& album) {
  if (answer.failed) {
    album.failed = true;
    album.failure = answer.reason;
    return;
  }
  const JsonValue holder = Holder(answer.json, holderName);
  album.title = CleanTitle(holder.Member(titleName));
  album.pictureCount = holder.Member(countName).WholeNumber();
  if (!album.pictureCount) {
    album.failed = true;
    album.failure = "网站的回答里没有图片数量";
  }
}

}  // namespace

void ReadBoardAnswer(const FetchedPage& answer, Album& album) {
  ReadAnswer(answer, "board", "title", "pin_count", album);
}

void ReadSearchAnswer(const FetchedPage& answer, Album& album) {
  ReadAnswer(answer, "query", "text", "total", album);
  if (!album.failed && album.title.empty()) {
    // Without its words the search cannot be asked for page by page.
    album.failed = true;
    album.failure = "网站的回答里没有搜索词";
  }
}

}  // namespace albumdl
