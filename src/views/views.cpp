#include "views/views.h"

namespace albumdl {

void ShowAlbumsIn(AlbumList& albums, Views& views) {
  albums.SetObserver([&views](const AlbumListChange& change) { views.Tell(change); });
}

}  // namespace albumdl
