#include "content_coding.h"

#include <zlib.h>

namespace demosite {

std::string Compressed(const std::string& body, Fault::Coding coding) {
  z_stream stream{};
  // 15 bits of window; 16 more ask zlib for the gzip wrapper instead of its own.
  const int windowBits = coding == Fault::Coding::kGzip ? 16 + 15 : 15;
  if (deflateInit2(&stream, Z_BEST_COMPRESSION, Z_DEFLATED, windowBits, 8, Z_DEFAULT_STRATEGY) !=
      Z_OK) {
    return {};
  }
  std::string out(deflateBound(&stream, static_cast<uLong>(body.size())), '\0');
  stream.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(body.data()));
  stream.avail_in = static_cast<uInt>(body.size());
  stream.next_out = reinterpret_cast<Bytef*>(out.data());
  stream.avail_out = static_cast<uInt>(out.size());
  const bool done = deflate(&stream, Z_FINISH) == Z_STREAM_END;
  out.resize(stream.total_out);
  deflateEnd(&stream);
  return done ? out : std::string();
}

std::string CodingName(Fault::Coding coding) {
  return coding == Fault::Coding::kGzip ? "gzip" : "deflate";
}

}  // namespace demosite
