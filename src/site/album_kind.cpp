#include "site/album_kind.h"

#include <climits>

namespace albumdl {

int PageBudget(long long pictureCount) {
  constexpr long long kMostPages = INT_MAX / kPageSize;
  const long long pages = (pictureCount < 0 ? 0 : pictureCount) / kPageSize + 1;
  return static_cast<int>(pages > kMostPages ? kMostPages : pages);
}

}  // namespace albumdl
