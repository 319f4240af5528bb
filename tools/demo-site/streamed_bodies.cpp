#include "streamed_bodies.h"

#include <algorithm>
#include <memory>

namespace demosite {
namespace {

const size_t kFillerPiece = 64 * 1024;

// Writes bytes [offset, offset + n) of the huge body: head first, zeros after.
bool WriteHugePart(httplib::DataSink& sink, const std::string& head, unsigned long long offset,
                   size_t n) {
  static const std::string zeros(kFillerPiece, '\0');
  if (offset < head.size()) {
    size_t take = std::min<size_t>(n, head.size() - static_cast<size_t>(offset));
    return sink.write(head.data() + offset, take);
  }
  return sink.write(zeros.data(), std::min(n, zeros.size()));
}

}  // namespace

void SendTruncated(httplib::Response& res, const std::string& contentType, std::string body,
                   long long sendBytes) {
  size_t declared = std::max<size_t>(body.size(), 1);
  size_t sent =
      sendBytes < 0 ? body.size() / 2 : std::min(static_cast<size_t>(sendBytes), declared - 1);
  body.resize(std::min(sent, body.size()));
  auto part = std::make_shared<std::string>(std::move(body));
  res.set_content_provider(declared, contentType,
                           [part](size_t offset, size_t, httplib::DataSink& sink) {
                             if (offset == 0 && !part->empty())
                               sink.write(part->data(), part->size());
                             // Giving up makes the server close the connection.
                             return false;
                           });
}

void SendCutWithoutLength(httplib::Response& res, const std::string& contentType, std::string body,
                          long long sendBytes) {
  size_t sent = sendBytes < 0 ? body.size() / 2
                              : std::min(static_cast<size_t>(sendBytes),
                                         body.empty() ? size_t{0} : body.size() - 1);
  body.resize(std::min(sent, body.size()));
  auto part = std::make_shared<std::string>(std::move(body));
  res.set_header("Connection", "close");
  res.set_content_provider(contentType, [part](size_t offset, httplib::DataSink& sink) {
    if (offset == 0 && !part->empty() && !sink.write(part->data(), part->size())) return false;
    // A clean end: the client sees the connection close as a body's end would.
    sink.done();
    return true;
  });
}

void SendTrickled(httplib::Response& res, const std::string& contentType, std::string body,
                  int bytesPerPiece, int everyMs, PauseFn pause) {
  if (body.empty()) {
    res.set_content("", contentType);
    return;
  }
  auto whole = std::make_shared<std::string>(std::move(body));
  size_t step = static_cast<size_t>(std::max(bytesPerPiece, 1));
  res.set_content_provider(
      whole->size(), contentType,
      [whole, step, everyMs, pause](size_t offset, size_t, httplib::DataSink& sink) {
        if (offset > 0 && !pause(everyMs)) return false;
        return sink.write(whole->data() + offset, std::min(step, whole->size() - offset));
      });
}

void SendHuge(httplib::Response& res, const std::string& contentType, std::string head,
              unsigned long long totalBytes, bool withLength) {
  auto first = std::make_shared<std::string>(std::move(head));
  if (totalBytes == 0) {
    res.set_content("", contentType);
    return;
  }
  if (withLength) {
    res.set_content_provider(static_cast<size_t>(totalBytes), contentType,
                             [first](size_t offset, size_t length, httplib::DataSink& sink) {
                               return WriteHugePart(sink, *first, offset, length);
                             });
    return;
  }
  res.set_content_provider(contentType,
                           [first, totalBytes](size_t offset, httplib::DataSink& sink) {
                             if (offset >= totalBytes) {
                               sink.done();
                               return true;
                             }
                             size_t left = static_cast<size_t>(totalBytes - offset);
                             return WriteHugePart(sink, *first, offset, left);
                           });
}

void SendPieces(httplib::Response& res, const std::string& contentType,
                std::function<std::string(size_t)> pieces, std::optional<unsigned long long> length,
                bool chunked) {
  // The provider is called again after every piece; the index of the next
  // piece lives with it.
  auto next = std::make_shared<size_t>(0);
  auto make = std::make_shared<std::function<std::string(size_t)>>(std::move(pieces));
  if (length && *length > 0) {
    res.set_content_provider(static_cast<size_t>(*length), contentType,
                             [next, make](size_t, size_t, httplib::DataSink& sink) {
                               std::string piece = (*make)((*next)++);
                               return !piece.empty() && sink.write(piece.data(), piece.size());
                             });
    return;
  }
  auto provider = [next, make](size_t, httplib::DataSink& sink) {
    std::string piece = (*make)((*next)++);
    if (piece.empty()) {
      sink.done();
      return true;
    }
    return sink.write(piece.data(), piece.size());
  };
  if (chunked) {
    res.set_chunked_content_provider(contentType, provider);
  } else {
    res.set_content_provider(contentType, provider);
  }
}

}  // namespace demosite
