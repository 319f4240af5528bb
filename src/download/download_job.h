// One album to download, as taken from a ticked row of the album list.
#pragma once

#include "text/text.h"

namespace albumdl {

struct DownloadJob {
  Text pictureCount;  // column 图片数量, as shown
  Text albumId;       // column 相册ID: a board id, or "关键词_" + keyword
  Text title;         // column 相册名称, blanks trimmed
};

}  // namespace albumdl
