#include "retrieval/retrieval_control.h"

#include <utility>

#include "retrieval/retrieve_albums.h"

namespace albumdl {

RetrievalControl::RetrievalControl(Views& views, const ViewValues& values, AlbumList& albums,
                                   Session& session, PacerFactory pacers)
    : views_(views),
      values_(values),
      albums_(albums),
      session_(session),
      pacers_(std::move(pacers)) {}

RetrievalControl::~RetrievalControl() { End(); }

bool RetrievalControl::Start(const Text& input) {
  return thread_.Start(
      [this, input](RunGate& gate) {
        const std::unique_ptr<Pacer> pacer = pacers_(gate);
        RetrieveAlbums(views_, values_, albums_, session_, gate, *pacer, input);
      },
      [this](const char* what) {
        views_.Tell(LogLine{"获取相册列表时出错，已停止：" + Text(what) + "\r\n\r\n"});
        views_.Tell(RetrievalReport{RetrievalReport::Stage::kFinished, albums_.RowCount()});
      });
}

void RetrievalControl::End() { thread_.Gate().End(); }

bool RetrievalControl::Running() const { return thread_.Running(); }

void RetrievalControl::Wait() { thread_.Wait(); }

}  // namespace albumdl
