// Bodies the site sends piece by piece instead of in one write: cut short,
// trickled, huge, or made while they go out. Each sets the answer's content
// provider; the headers other than Content-Type and Content-Length are the
// caller's.
#pragma once

#include <httplib.h>

#include <functional>
#include <optional>
#include <string>

namespace demosite {

// Waits ms milliseconds; false when the site is stopping and the body should
// be given up.
using PauseFn = std::function<bool(int ms)>;

// Content-Length promises the whole body (at least one byte); only its first
// sendBytes bytes go out (-1: half; never all of it), then the connection closes.
void SendTruncated(httplib::Response& res, const std::string& contentType, std::string body,
                   long long sendBytes);

// No Content-Length and "Connection: close": only the first sendBytes bytes of
// the body go out (-1: half; never all of it), then the connection closes as
// if the body had ended there.
void SendCutWithoutLength(httplib::Response& res, const std::string& contentType, std::string body,
                          long long sendBytes);

// The whole body with its true Content-Length, bytesPerPiece bytes at a time
// with everyMs between the pieces.
void SendTrickled(httplib::Response& res, const std::string& contentType, std::string body,
                  int bytesPerPiece, int everyMs, PauseFn pause);

// head, then zero bytes up to totalBytes in all, never held in memory. With
// withLength the size goes ahead as Content-Length; without it the body ends
// when the connection closes.
void SendHuge(httplib::Response& res, const std::string& contentType, std::string head,
              unsigned long long totalBytes, bool withLength);

// pieces(0), pieces(1), ... until an empty piece. With a length, that is sent
// as Content-Length whether or not the pieces add up to it (short: the
// connection closes; long: the rest goes out all the same). Without one, the
// body is chunked, or ends when the connection closes.
void SendPieces(httplib::Response& res, const std::string& contentType,
                std::function<std::string(size_t)> pieces, std::optional<unsigned long long> length,
                bool chunked);

}  // namespace demosite
