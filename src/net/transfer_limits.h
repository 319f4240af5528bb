// How much one request may bring and how long it may take as a whole. Besides
// these, every request gives up after a stretch without data; these limits
// stop a huge body from filling memory and a trickling server from holding a
// run for ever.
#pragma once

namespace albumdl {

struct TransferLimits {
  // A body larger than this is given up as soon as that is known (from
  // Content-Length, or once the bytes received pass it), without keeping it.
  // 0: no limit.
  long long maxBodyBytes = 0;
  // The whole transfer, connecting and redirects included. 0: no limit.
  int totalTimeoutSeconds = 0;
};

// Board pages, search pages and JSON answers.
inline constexpr long long kMaxPageBytes = 64LL * 1024 * 1024;
inline constexpr int kPageTotalTimeoutSeconds = 120;
inline constexpr TransferLimits kPageLimits{kMaxPageBytes, kPageTotalTimeoutSeconds};

// The maker's version page: a few lines of text.
inline constexpr TransferLimits kVersionPageLimits{1024 * 1024, 30};

// Picture files.
inline constexpr long long kMaxPictureBytes = 256LL * 1024 * 1024;
inline constexpr int kPictureTotalTimeoutSeconds = 600;
inline constexpr TransferLimits kPictureLimits{kMaxPictureBytes, kPictureTotalTimeoutSeconds};

}  // namespace albumdl
