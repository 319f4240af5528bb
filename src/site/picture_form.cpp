#include "site/picture_form.h"

#include <cstdint>
#include <cstdlib>

namespace albumdl {

namespace {

bool StartsWith(const Bytes& body, const char* magic, size_t length, size_t at = 0) {
  return body.size() >= at + length && body.compare(at, length, magic, length) == 0;
}

// Readers of fixed-size numbers; the caller has checked that the bytes are there.
uint32_t Byte(const Bytes& b, size_t at) { return static_cast<unsigned char>(b[at]); }
uint32_t Big16(const Bytes& b, size_t at) { return Byte(b, at) << 8 | Byte(b, at + 1); }
uint32_t Big32(const Bytes& b, size_t at) { return Big16(b, at) << 16 | Big16(b, at + 2); }
uint32_t Little16(const Bytes& b, size_t at) { return Byte(b, at + 1) << 8 | Byte(b, at); }
uint32_t Little32(const Bytes& b, size_t at) { return Little16(b, at + 2) << 16 | Little16(b, at); }
// Whether bytes [at, at + length) lie in the body, without overflow.
bool Holds(const Bytes& body, uint64_t at, uint64_t length) {
  return at <= body.size() && length <= body.size() - at;
}

// Segments from the start marker on, each skipped by its length (an Exif
// thumbnail's own end marker lies inside one); after a scan header the
// entropy-coded data runs to the next marker that is neither a stuffed 0xFF
// nor a restart marker. Progressive files have many scans.
bool JpegEndsWhole(const Bytes& body) {
  size_t at = 2;
  while (at < body.size()) {
    if (Byte(body, at) != 0xFF) {  // stray bytes between segments, as decoders allow
      ++at;
      continue;
    }
    while (at < body.size() && Byte(body, at) == 0xFF) ++at;  // fill bytes
    if (at >= body.size()) return false;
    const uint32_t marker = Byte(body, at);
    ++at;
    if (marker == 0xD9) return true;  // end of image
    if (marker == 0x01 || (marker >= 0xD0 && marker <= 0xD8) || marker == 0) continue;  // no length
    if (!Holds(body, at, 2)) return false;
    const uint32_t length = Big16(body, at);
    if (length < 2 || !Holds(body, at, length)) return false;
    at += length;
    if (marker != 0xDA) continue;
    // Entropy-coded data of the scan.
    while (true) {
      if (at + 1 >= body.size()) return false;
      if (Byte(body, at) == 0xFF) {
        const uint32_t next = Byte(body, at + 1);
        if (next != 0x00 && !(next >= 0xD0 && next <= 0xD7) && next != 0xFF) break;
        at += next == 0xFF ? 1 : 2;
      } else {
        ++at;
      }
    }
  }
  return false;
}

bool PngEndsWhole(const Bytes& body) {
  uint64_t at = 8;
  while (Holds(body, at, 12)) {
    const uint64_t length = Big32(body, static_cast<size_t>(at));
    if (!Holds(body, at, 12 + length)) return false;
    if (StartsWith(body, "IEND", 4, static_cast<size_t>(at + 4))) return true;
    at += 12 + length;
  }
  return false;
}

// A run of sub-blocks ending in an empty one; the position after it, or 0.
size_t SkipSubBlocks(const Bytes& body, size_t at) {
  while (at < body.size()) {
    const size_t size = Byte(body, at);
    if (size == 0) return at + 1;
    at += 1 + size;
  }
  return 0;
}

size_t ColourTableBytes(uint32_t packed) { return (packed & 0x80) ? 3u << ((packed & 7) + 1) : 0; }

bool GifEndsWhole(const Bytes& body) {
  if (!Holds(body, 0, 13)) return false;
  size_t at = 13 + ColourTableBytes(Byte(body, 10));
  while (at < body.size()) {
    switch (Byte(body, at)) {
      case 0x3B:  // the trailer
        return true;
      case 0x21:  // an extension: its label, then its sub-blocks
        at = SkipSubBlocks(body, at + 2);
        break;
      case 0x2C:  // an image: its descriptor, colours, code size, then the data
        if (!Holds(body, at, 10)) return false;
        at += 10 + ColourTableBytes(Byte(body, at + 9));
        at = SkipSubBlocks(body, at + 1);
        break;
      default:
        return false;
    }
    if (at == 0) return false;
  }
  return false;
}

bool WebpEndsWhole(const Bytes& body) {
  return Holds(body, 0, 12) && Holds(body, 0, 8 + uint64_t{Little32(body, 4)});
}

// The file size the header gives; old writers leave it 0, and then the
// pixel data's own place and size count.
bool BmpEndsWhole(const Bytes& body) {
  if (!Holds(body, 0, 26)) return false;
  const uint64_t fileSize = Little32(body, 2);
  if (fileSize >= 26) return Holds(body, 0, fileSize);
  const uint64_t pixels = Little32(body, 10);
  const uint32_t header = Little32(body, 14);
  uint64_t width = 0, height = 0, bits = 0, size = 0;
  if (header == 12) {
    width = Little16(body, 18);
    height = Little16(body, 20);
    bits = Little16(body, 24);
  } else if (header >= 40 && Holds(body, 14, 40)) {
    width = static_cast<uint32_t>(std::abs(static_cast<int32_t>(Little32(body, 18))));
    height = static_cast<uint32_t>(std::abs(static_cast<int32_t>(Little32(body, 22))));
    bits = Little16(body, 28);
    size = Little32(body, 34);
  } else {
    return false;
  }
  // No real picture is a million pixels wide or high; a header saying so is
  // no picture's.
  if (width > (1u << 20) || height > (1u << 20)) return false;
  if (size == 0) size = (width * bits + 31) / 32 * 4 * height;
  return Holds(body, pixels, size);
}

// Every directory, every value kept outside its entry, and every strip or
// tile lie in the bytes.
bool TiffEndsWhole(const Bytes& body) {
  const bool big = StartsWith(body, "MM", 2);
  const auto u16 = [&](uint64_t at) { return big ? Big16(body, at) : Little16(body, at); };
  const auto u32 = [&](uint64_t at) { return big ? Big32(body, at) : Little32(body, at); };
  if (!Holds(body, 0, 8)) return false;
  uint64_t directory = u32(4);
  for (int directories = 0; directory != 0; ++directories) {
    if (directories == 64 || !Holds(body, directory, 2)) return false;
    const uint64_t entries = u16(directory);
    if (!Holds(body, directory + 2, entries * 12 + 4)) return false;
    uint64_t offsets = 0, counts = 0, offsetsAt = 0, countsAt = 0, itemSize = 4;
    for (uint64_t i = 0; i < entries; ++i) {
      const uint64_t entry = directory + 2 + i * 12;
      const uint32_t tag = u16(entry), type = u16(entry + 2);
      const uint64_t count = u32(entry + 4);
      const uint64_t unit = type == 3 || type == 8                               ? 2
                            : type == 5 || type == 10 || type == 12              ? 8
                            : type == 4 || type == 9 || type == 11 || type == 13 ? 4
                                                                                 : 1;
      const uint64_t valueAt = count * unit > 4 ? u32(entry + 8) : entry + 8;
      if (!Holds(body, valueAt, count * unit)) return false;
      if (tag == 273 || tag == 324) {  // strip or tile offsets
        offsets = count;
        offsetsAt = valueAt;
        itemSize = unit;
      }
      if (tag == 279 || tag == 325) {  // their byte counts
        counts = count;
        countsAt = valueAt;
      }
    }
    if (offsets != counts) return false;
    for (uint64_t i = 0; i < offsets; ++i) {
      const uint64_t offset = itemSize == 2 ? u16(offsetsAt + i * 2) : u32(offsetsAt + i * 4);
      const uint64_t count = itemSize == 2 ? u16(countsAt + i * 2) : u32(countsAt + i * 4);
      if (!Holds(body, offset, count)) return false;
    }
    directory = u32(directory + 2 + entries * 12);
  }
  return true;
}

// The boxes of the file, one after the other, the last ending with the bytes.
// A box of size 0 runs to the end of the file, whatever that is.
bool HeifEndsWhole(const Bytes& body) {
  uint64_t at = 0;
  while (at < body.size()) {
    if (!Holds(body, at, 8)) return false;
    uint64_t size = Big32(body, at);
    if (size == 0) return true;
    if (size == 1) {
      if (!Holds(body, at, 16)) return false;
      size = uint64_t{Big32(body, at + 8)} << 32 | Big32(body, at + 12);
    }
    if (size < 8 || !Holds(body, at, size)) return false;
    at += size;
  }
  return at == body.size();
}

// The closing tag, then nothing but blanks and comments.
bool SvgEndsWhole(const Bytes& body) {
  const size_t close = TextLower(body).rfind("</svg");
  if (close == Bytes::npos) return false;
  size_t at = body.find('>', close);
  if (at == Bytes::npos) return false;
  for (++at; at < body.size();) {
    if (body.compare(at, 4, "<!--") == 0) {
      const size_t end = body.find("-->", at + 4);
      if (end == Bytes::npos) return false;
      at = end + 3;
    } else if (body[at] == ' ' || body[at] == '\t' || body[at] == '\r' || body[at] == '\n') {
      ++at;
    } else {
      return false;
    }
  }
  return true;
}

}  // namespace

PictureForm PictureFormOf(const Bytes& body, const Text& contentType) {
  if (StartsWith(body, "\xFF\xD8\xFF", 3)) return PictureForm::kJpeg;
  if (StartsWith(body, "\x89PNG\r\n\x1A\n", 8)) return PictureForm::kPng;
  if (StartsWith(body, "GIF87a", 6) || StartsWith(body, "GIF89a", 6)) return PictureForm::kGif;
  if (StartsWith(body, "RIFF", 4) && StartsWith(body, "WEBP", 4, 8)) return PictureForm::kWebp;
  if (StartsWith(body, "BM", 2) && body.size() > 26) return PictureForm::kBmp;
  if (StartsWith(body, "II*\0", 4) || StartsWith(body, "MM\0*", 4)) return PictureForm::kTiff;
  if (StartsWith(body, "ftyp", 4, 4)) {
    for (const char* brand : {"avif", "avis", "heic", "heix", "mif1", "msf1"}) {
      if (StartsWith(body, brand, 4, 8)) return PictureForm::kHeif;
    }
  }
  // An SVG picture is text: only one announced as SVG and holding an <svg> element.
  if (TextFind(TextLower(contentType), "image/svg+xml") == 1 &&
      TextFind(TextLower(body.substr(0, 4096)), "<svg") > 0) {
    return PictureForm::kSvg;
  }
  return PictureForm::kNone;
}

bool LooksLikePicture(const Bytes& body, const Text& contentType) {
  return PictureFormOf(body, contentType) != PictureForm::kNone;
}

bool EndsWhole(const Bytes& body, PictureForm form) {
  switch (form) {
    case PictureForm::kNone:
      return false;
    case PictureForm::kJpeg:
      return JpegEndsWhole(body);
    case PictureForm::kPng:
      return PngEndsWhole(body);
    case PictureForm::kGif:
      return GifEndsWhole(body);
    case PictureForm::kWebp:
      return WebpEndsWhole(body);
    case PictureForm::kBmp:
      return BmpEndsWhole(body);
    case PictureForm::kTiff:
      return TiffEndsWhole(body);
    case PictureForm::kHeif:
      return HeifEndsWhole(body);
    case PictureForm::kSvg:
      return SvgEndsWhole(body);
  }
  return false;
}

}  // namespace albumdl
