// The lanes that fetch an album's pictures. With one lane (the default, and
// the window's) the run's own thread does a page's pictures one after the
// other, exactly as PictureStep describes. With more (--jobs N), that many
// threads, started once for the whole run, each with its own kept
// connection, fetch N pictures of a page at once; each lane keeps the 100 ms
// pause after its picture. Everything the user sees comes as with one lane:
// picture numbers and file names, the records, the progress (in picture
// order) and the log lines (in picture order, whatever order the pictures
// came in). Pause, continue and end act on every lane: each passes the run's
// gate before each request and each caption it changes, and an end aborts
// every lane's transfer. A fault (an exception) in a lane ends the run: the
// other lanes stop, and the run's thread raises the fault when it waits for
// the page. Memory stays flat: a lane holds one picture at a time.
#pragma once

#include <condition_variable>
#include <exception>
#include <mutex>
#include <thread>
#include <vector>

#include "download/download_run.h"
#include "download/picture_step.h"
#include "site/json_value.h"

namespace albumdl {

struct AlbumWork;

class PictureLanes {
 public:
  // lanes below 2 means one lane: the run's own thread, no thread of its own.
  PictureLanes(DownloadContext& context, int lanes);
  ~PictureLanes();  // stops the lanes and waits for their threads
  PictureLanes(const PictureLanes&) = delete;
  PictureLanes& operator=(const PictureLanes&) = delete;

  // Run's thread. Hands a page's pins to the lanes, each with its picture
  // number. One lane: does them all before it returns (but stops taking pins
  // once the album's folder is dead), and gives false when the run was ended. More lanes: returns
  // at once (true) while they work; the run's thread may ask for the next page meanwhile.
  bool Begin(AlbumWork& work, std::vector<PagePin> pins);
  // Run's thread. Waits until every pin handed over is done and told. False
  // when the run was ended. A fault in a lane is raised here.
  bool End();
  // Run's thread, when an album is left before End (a fault on the run's own
  // thread): ends the run and waits until no lane works for the album.
  void Abandon(const AlbumWork& work);

 private:
  struct Slot {
    bool done = false;
    PictureOutcome outcome;
  };

  void Lane();
  // One pin: taken in order, fetched and saved, recorded, told in order.
  void Work(std::unique_lock<std::mutex>& lock);
  bool PinsLeftLocked() const;
  bool PageOverLocked() const;
  void TellInOrderLocked();
  void Fail(std::unique_lock<std::mutex>& lock, std::exception_ptr fault);

  DownloadContext& context_;
  bool inlineGoOn_ = true;  // one lane: what Begin gave

  std::mutex mutex_;
  std::condition_variable work_;  // lanes wait for pins
  std::condition_variable done_;  // the run's thread waits for the page
  AlbumWork* album_ = nullptr;    // the album of the page in hand, else nullptr
  std::vector<PagePin> pins_;
  std::vector<Slot> slots_;  // one a pin of the page
  size_t next_ = 0;          // the next pin to take
  size_t told_ = 0;          // pins before this one are told
  int busy_ = 0;             // lanes between taking a pin and being done with it
  bool ended_ = false;       // the run was ended during the page
  std::exception_ptr fault_;
  bool closing_ = false;
  std::vector<std::thread> threads_;  // last: started when everything else is ready
};

}  // namespace albumdl
