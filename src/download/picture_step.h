// The step for one pin of a page, the same for every kind of album: progress,
// duplicate skip, fetch, the file and its record, the 100 ms pause. It comes
// in parts, so that the run's lanes (picture_lanes.h) can fetch several
// pictures at once while the user sees everything in picture order:
//   TakePin        in picture order, after the gate: the progress, the pin's
//                  fields, the duplicate skip
//   FetchAndSave   on any lane: the request and the file
//   RecordPicture  one lane at a time: the id into the album's store
//   TellPicture    in picture order: the log lines and the counts
// PictureStep is all of them in a row, as one lane does them.
#pragma once

#include <optional>

#include "control/pacer.h"
#include "download/album_work.h"
#include "platform/file_status.h"
#include "site/json_value.h"

namespace albumdl {

inline constexpr int kPicturePauseMs = 100;

// A pin of a page with its picture number: (page number - 1) * 100 + its
// place on the page.
struct PagePin {
  JsonValue pin;
  long long number = 0;
};

// A pin taken up to be fetched.
struct PictureTask {
  long long number = 0;  // (page number - 1) * 100 + position on the page
  Text key;              // the file key, quotes removed
  Text extension;        // ".gif", ".png" or ".jpg"
  Text photoId;          // a plain decimal number
};

// What became of one picture, for TellPicture.
struct PictureOutcome {
  enum class Kind {
    kSaved,        // in place under its name (recorded, unless recordFailed)
    kSkipped,      // on record already, with the duplicate switch on
    kBadId,        // a pin whose id is no plain number
    kBadKey,       // a pin whose key could climb out of the image host's folder
    kFetchFailed,  // no good answer: no file, no record
    kSaveFailed,   // the file could not be written: no record
    kEnded,        // the run was ended during the fetch: nothing to tell
  };
  Kind kind = Kind::kEnded;
  long long number = 0;
  Text photoId;
  Text fileName;              // kSaved, kSaveFailed
  Text reason;                // kFetchFailed, kSaveFailed
  bool recordFailed = false;  // kSaved: the id could not be recorded
  // kSaved: not fetched, but a second name (or a copy) of a saved copy of the
  // same picture (picture_index.h); no pause follows.
  bool linked = false;
  bool folderDead = false;  // kSaveFailed: every other picture would fail alike
};

// Returns false when the run was ended; the caller then stops at once.
bool PictureStep(AlbumWork& work, const PagePin& pin);

// In picture order, once the gate let the caller through: shows the progress
// and reads the pin. Returns the task when the picture is to be fetched;
// otherwise nothing, with outcome saying why (a bad id, a skip).
std::optional<PictureTask> TakePin(AlbumWork& work, const PagePin& pin, PictureOutcome& outcome);
// Fetches the picture (with its attempts) and, when it came good, saves it;
// with the one-copy index, a picture saved before under the same save folder
// is linked instead of fetched. fetchedAt: when the fetch was over; the pause
// after the picture counts from then. Touches nothing of the album but its
// folder.
PictureOutcome FetchAndSave(AlbumWork& work, const PictureTask& task,
                            PaceClock::time_point& fetchedAt);
// Records the id of a saved picture in the album's store.
void RecordPicture(AlbumWork& work, PictureOutcome& outcome);
// The log lines and the counts of one picture. A picture that could not be
// saved for a reason that would fail every other marks the album's folder dead.
void TellPicture(AlbumWork& work, const PictureOutcome& outcome);

// ".gif" when the media type names gif, else ".png" for png, else ".jpg".
Text PictureExtension(const Text& mediaType);

// Writes the picture under a temporary name in the folder and renames it into
// place once complete, so the folder never holds a half-written picture.
platform::FileStatus SavePicture(const platform::NativePath& folder, const Text& fileName,
                                 const Bytes& body);

}  // namespace albumdl
