// What a picture file's own bytes say of it: which form it is, and whether it
// runs to the end its form gives it. An answer whose length the server did not
// announce (no Content-Length, not chunked: the connection's close ended it)
// is only known to be whole by that end.
#pragma once

#include "text/text.h"

namespace albumdl {

enum class PictureForm { kNone, kJpeg, kPng, kGif, kWebp, kBmp, kTiff, kHeif, kSvg };

// The form the bytes begin as: JPEG, PNG, GIF, WebP, BMP, TIFF, AVIF/HEIF, or
// an SVG document announced as one (contentType); kNone for anything else.
PictureForm PictureFormOf(const Bytes& body, const Text& contentType);
// True when the bytes begin as a picture file does.
bool LooksLikePicture(const Bytes& body, const Text& contentType);

// True when the bytes reach their form's end: JPEG's end marker after its last
// scan, PNG's IEND chunk, GIF's trailer, the size WebP's RIFF header or BMP's
// file header gives, the end of a HEIF file's last box, every strip and tile
// of a TIFF, SVG's closing tag. Bytes after that end (some cameras append
// their own) do not matter.
bool EndsWhole(const Bytes& body, PictureForm form);

}  // namespace albumdl
