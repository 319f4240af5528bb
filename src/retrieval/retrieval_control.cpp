#include "retrieval/retrieval_control.h"

#include <utility>

#include "retrieval/retrieve_albums.h"

namespace albumdl {

RetrievalControl::RetrievalControl(Window& window, Session& session, PacerFactory pacers)
    : window_(window), session_(session), pacers_(std::move(pacers)) {}

RetrievalControl::~RetrievalControl() { End(); }

bool RetrievalControl::Start(const Text& input) {
  return thread_.Start(
      [this, input](RunGate& gate) {
        const std::unique_ptr<Pacer> pacer = pacers_(gate);
        RetrieveAlbums(window_, session_, *pacer, input);
        window_.RetrievalFinished();
      },
      [this](const char* what) {
        window_.AppendLog("获取相册列表时出错，已停止：" + Text(what) + "\r\n\r\n");
        window_.ShowBusyBoard(false);
        window_.RetrievalFinished();
      });
}

void RetrievalControl::End() { thread_.Gate().End(); }

bool RetrievalControl::Running() const { return thread_.Running(); }

void RetrievalControl::Wait() { thread_.Wait(); }

}  // namespace albumdl
