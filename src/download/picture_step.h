// The step for one pin of a page, shared by both album downloads: progress,
// duplicate skip, fetch, the 100 ms pause, the file and its record.
#pragma once

#include "download/album_steps.h"
#include "download/json_value.h"
#include "platform/file_status.h"

namespace albumdl {

inline constexpr int kPicturePauseMs = 100;

// pictureNumber: (page number - 1) * 100 + position on the page. Returns false
// when the run was ended; the caller then stops at once.
bool PictureStep(Album& album, const JsonValue& pin, long long pictureNumber);

// ".gif" when the media type names gif, else ".png" for png, else ".jpg".
Text PictureExtension(const Text& mediaType);

// Writes the picture under a temporary name in the folder and renames it into
// place once complete, so the folder never holds a half-written picture.
platform::FileStatus SavePicture(const platform::NativePath& folder, const Text& fileName,
                                 const Bytes& body);

}  // namespace albumdl
