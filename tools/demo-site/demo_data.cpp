#include "demo_data.h"

#include <functional>
#include <string>

namespace demosite {
namespace {

struct Kind {
  const char* extension;
  const char* type;
};

const Kind kPng{".png", "image/png"};
const Kind kJpeg{".jpg", "image/jpeg"};
const Kind kGif{".gif", "image/gif"};

// Pins named prefix-1, prefix-2, ... with ids falling from firstId, newest
// first as the site lists them.
std::vector<Pin> MakePins(const std::string& prefix, int count, long long firstId,
                          const std::function<Kind(int)>& kindOf) {
  std::vector<Pin> pins;
  for (int i = 0; i < count; ++i) {
    Kind kind = kindOf(i);
    pins.push_back(
        Pin{firstId - i, prefix + "-" + std::to_string(i + 1) + kind.extension, kind.type});
  }
  return pins;
}

// Mostly photographs, with a PNG every fifth and a GIF every seventh pin.
Kind MixedKind(int i) {
  if (i % 7 == 6) return kGif;
  if (i % 5 == 4) return kPng;
  return kJpeg;
}

}  // namespace

std::vector<Board> DemoBoards() {
  std::vector<Board> boards;

  Board spring;
  spring.id = kSpringBoardId;
  spring.title = "春天：樱花/风景。 2024";
  spring.pins = {
      {9120006, "spring-1.png", "image/png"},
      {9120005, "spring-2.jpg", "image/jpeg"},
      {9120004, "spring-3.gif", "image/gif"},
      {9120003, "spring-4.jpg", ""},  // the site sometimes leaves the type out
      {9120002, "spring-5.png", "image/png"},
      {9120001, "spring-6.jpg", "image/jpeg"},
  };
  boards.push_back(spring);

  Board big;
  big.id = kBigBoardId;
  big.title = "大画板 250张";
  big.pins = MakePins("k250", 250, 8800250, MixedKind);
  boards.push_back(big);

  Board empty;
  empty.id = kEmptyBoardId;
  empty.title = "空画板";
  boards.push_back(empty);

  Board hidden;
  hidden.id = kPrivateBoardId;
  hidden.title = "私密画板";
  hidden.isPrivate = true;
  hidden.pins = MakePins("private", 8, 7700008, MixedKind);
  boards.push_back(hidden);

  Board travel;
  travel.id = kTravelBoardId;
  travel.title = "旅行 Travel 2023";
  travel.pins = MakePins("travel", 20, 6600020, MixedKind);
  boards.push_back(travel);

  Board flowers;
  flowers.id = kFlowersBoardId;
  flowers.title = "花·花（小合集）";
  flowers.pins = MakePins("flowers", 12, 5500012, [](int i) { return i % 2 ? kPng : kGif; });
  boards.push_back(flowers);

  Board growing;
  growing.id = kGrowingBoardId;
  growing.title = "每日更新";
  growing.pins = MakePins("growing", 10, 2200010, MixedKind);
  boards.push_back(growing);

  // Repins: the first three pins of each board are the same pictures (the
  // same keys), pinned to both boards under pin ids of their own.
  const auto repins = [](const std::string& id, const std::string& title, long long firstId) {
    Board board;
    board.id = id;
    board.title = title;
    board.pins = MakePins(id, 10, firstId, MixedKind);
    for (int i = 0; i < kSharedRepins; ++i) {
      board.pins[i].key = "shared-" + std::to_string(i + 1) + ".jpg";
      board.pins[i].type = "image/jpeg";
    }
    return board;
  };
  boards.push_back(repins(kRepinsABoardId, "转采合集 A", 1100010));
  boards.push_back(repins(kRepinsBBoardId, "转采合集 B", 1200010));

  return boards;
}

std::vector<Search> DemoSearches() {
  std::vector<Search> searches;

  Search cat;
  cat.keyword = kCatKeyword;
  cat.text = kCatKeyword;
  cat.pins = MakePins("cat", 150, 4400150, MixedKind);
  searches.push_back(cat);

  Search blossom;
  blossom.keyword = "樱花";
  blossom.text = "樱花";
  blossom.pins = MakePins("blossom", 7, 3300007, MixedKind);
  searches.push_back(blossom);

  return searches;
}

}  // namespace demosite
