// Small but valid picture files, built from scratch so the site needs no sample
// files on disk. Every key gets its own bytes: a colour and a comment derived
// from a hash of the key, so a client that mixes up two pictures is caught.
#include <array>
#include <cctype>
#include <cstdint>
#include <cstdio>
#include <string>

#include "demo_site.h"

namespace demosite {
namespace {

// FNV-1a: stable across runs and platforms, unlike std::hash.
std::uint64_t KeyHash(const std::string& key) {
  std::uint64_t hash = 1469598103934665603ull;
  for (unsigned char c : key) {
    hash ^= c;
    hash *= 1099511628211ull;
  }
  return hash;
}

std::string HashText(std::uint64_t hash) {
  char text[17];
  std::snprintf(text, sizeof text, "%016llx", static_cast<unsigned long long>(hash));
  return text;
}

void PutBigEndian32(std::string& out, std::uint32_t value) {
  out += static_cast<char>(value >> 24);
  out += static_cast<char>(value >> 16);
  out += static_cast<char>(value >> 8);
  out += static_cast<char>(value);
}

void PutBigEndian16(std::string& out, unsigned value) {
  out += static_cast<char>(value >> 8);
  out += static_cast<char>(value);
}

void PutLittleEndian16(std::string& out, unsigned value) {
  out += static_cast<char>(value);
  out += static_cast<char>(value >> 8);
}

std::uint32_t Crc32(const std::string& data) {
  static const std::array<std::uint32_t, 256> table = [] {
    std::array<std::uint32_t, 256> t{};
    for (std::uint32_t n = 0; n < 256; ++n) {
      std::uint32_t c = n;
      for (int k = 0; k < 8; ++k) c = (c & 1) ? 0xEDB88320u ^ (c >> 1) : c >> 1;
      t[n] = c;
    }
    return t;
  }();
  std::uint32_t crc = 0xFFFFFFFFu;
  for (unsigned char b : data) crc = table[(crc ^ b) & 0xFF] ^ (crc >> 8);
  return crc ^ 0xFFFFFFFFu;
}

std::uint32_t Adler32(const std::string& data) {
  std::uint32_t a = 1, b = 0;
  for (unsigned char c : data) {
    a = (a + c) % 65521;
    b = (b + a) % 65521;
  }
  return (b << 16) | a;
}

void PutPngChunk(std::string& out, const char* type, const std::string& data) {
  PutBigEndian32(out, static_cast<std::uint32_t>(data.size()));
  std::string typed = std::string(type, 4) + data;
  out += typed;
  PutBigEndian32(out, Crc32(typed));
}

// A 4x4 RGB picture of one colour. The pixel data goes into a zlib stream of
// one stored (uncompressed) deflate block, which every decoder accepts and
// which needs no compressor here.
std::string Png(std::uint64_t hash) {
  const int size = 4;
  std::string pixels;
  for (int y = 0; y < size; ++y) {
    pixels += '\0';  // filter: none
    for (int x = 0; x < size; ++x) {
      pixels += static_cast<char>(hash);
      pixels += static_cast<char>(hash >> 8);
      pixels += static_cast<char>(hash >> 16);
    }
  }
  std::string zlib = "\x78\x01";
  zlib += '\x01';  // final block, stored
  PutLittleEndian16(zlib, static_cast<unsigned>(pixels.size()));
  PutLittleEndian16(zlib, static_cast<unsigned>(~pixels.size() & 0xFFFF));
  zlib += pixels;
  PutBigEndian32(zlib, Adler32(pixels));

  std::string header;
  PutBigEndian32(header, size);
  PutBigEndian32(header, size);
  header += std::string("\x08\x02\x00\x00\x00", 5);  // 8 bits, RGB, no interlace

  std::string out = "\x89PNG\r\n\x1a\n";
  PutPngChunk(out, "IHDR", header);
  PutPngChunk(out, "tEXt", std::string("Comment") + '\0' + "demo picture " + HashText(hash));
  PutPngChunk(out, "IDAT", zlib);
  PutPngChunk(out, "IEND", "");
  return out;
}

// A 1x1 GIF whose only pixel takes the first colour of a two-entry palette.
std::string Gif(std::uint64_t hash) {
  std::string out = "GIF89a";
  PutLittleEndian16(out, 1);
  PutLittleEndian16(out, 1);
  out += '\x80';  // global colour table of 2 entries
  out += '\0';    // background colour index
  out += '\0';    // no aspect ratio
  out += static_cast<char>(hash);
  out += static_cast<char>(hash >> 8);
  out += static_cast<char>(hash >> 16);
  out += std::string(3, '\xFF');
  std::string comment = "demo picture " + HashText(hash);
  out += "\x21\xFE";
  out += static_cast<char>(comment.size());
  out += comment;
  out += '\0';
  out += std::string("\x2C\0\0\0\0\x01\0\x01\0\0", 10);  // image descriptor, 1x1
  // LZW with minimum code size 2: clear, index 0, end of information.
  out += std::string("\x02\x02\x44\x01\x00", 5);
  out += ';';
  return out;
}

void PutJpegSegment(std::string& out, char marker, const std::string& data) {
  out += '\xFF';
  out += marker;
  PutBigEndian16(out, static_cast<unsigned>(data.size() + 2));
  out += data;
}

// An 8x8 grey baseline JPEG with one block whose only coefficient is DC. The
// Huffman tables hold one code each: DC category 4 and AC end-of-block, both
// the one-bit code 0, so the whole scan fits in one byte: 0, the four bits of
// the DC difference, 0, padded with ones. That byte starts with a 0 bit, so it
// is never 0xFF and needs no stuffing.
std::string Jpeg(std::uint64_t hash) {
  std::string out = "\xFF\xD8";
  PutJpegSegment(out, '\xE0', std::string("JFIF\0\x01\x01\0\0\x01\0\x01\0\0", 14));
  PutJpegSegment(out, '\xFE', "demo picture " + HashText(hash));

  std::string quant(1, '\0');                        // 8-bit table 0
  quant += static_cast<char>(1 + (hash >> 8) % 32);  // DC step: varies the grey
  quant += std::string(63, '\x01');
  PutJpegSegment(out, '\xDB', quant);

  PutJpegSegment(out, '\xC0', std::string("\x08\0\x08\0\x08\x01\x01\x11\0", 9));

  std::string counts(16, '\0');
  counts[0] = 1;                                                          // one code of length 1
  PutJpegSegment(out, '\xC4', std::string(1, '\x00') + counts + '\x04');  // DC: category 4
  PutJpegSegment(out, '\xC4', std::string(1, '\x10') + counts + '\x00');  // AC: end of block

  PutJpegSegment(out, '\xDA', std::string("\x01\x01\x00\x00\x3F\x00", 6));
  unsigned dcBits = hash & 0xF;
  out += static_cast<char>((dcBits << 3) | 0x3);
  out += "\xFF\xD9";
  return out;
}

std::string Extension(const std::string& key) {
  auto dot = key.rfind('.');
  if (dot == std::string::npos) return "";
  std::string ext = key.substr(dot + 1);
  for (char& c : ext) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return ext;
}

}  // namespace

std::string DemoSite::PictureBytes(const std::string& key) {
  std::uint64_t hash = KeyHash(key);
  std::string ext = Extension(key);
  if (ext == "png") return Png(hash);
  if (ext == "gif") return Gif(hash);
  return Jpeg(hash);
}

std::string DemoSite::PictureContentType(const std::string& key) {
  std::string ext = Extension(key);
  if (ext == "png") return "image/png";
  if (ext == "gif") return "image/gif";
  return "image/jpeg";
}

}  // namespace demosite
