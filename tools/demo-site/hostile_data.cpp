#include "hostile_data.h"

#include <memory>

#include "site_pages.h"

namespace demosite {
namespace {

// Pins whose keys and types are ordinary, ids falling from firstId.
std::vector<Pin> PlainPins(const std::string& prefix, int count, long long firstId) {
  std::vector<Pin> pins;
  for (int i = 0; i < count; ++i) {
    pins.push_back({firstId - i, prefix + "-" + std::to_string(i + 1) + ".jpg", "image/jpeg"});
  }
  return pins;
}

Board PlainBoard(const std::string& id, const std::string& title, long long firstId) {
  Board board;
  board.id = id;
  board.title = title;
  // Appended rather than "h" + std::string&&, which GCC 12 misreads as an
  // overlapping copy in optimised builds (-Wrestrict).
  std::string prefix = "h";
  prefix += std::to_string(firstId);
  board.pins = PlainPins(prefix, 3, firstId);
  return board;
}

std::string Repeat(const std::string& piece, int times) {
  std::string out;
  for (int i = 0; i < times; ++i) out += piece;
  return out;
}

const std::string kFourHundredDigits = Repeat("9876543210", 40);

// {"board":{"board_id":..,"filler":"xxx...","pins":[one pin]}}: the filler
// makes the page kHugePageBytes long in all, made while it is sent.
RawAnswer HugePage() {
  const size_t kPiece = 64 * 1024;
  auto head = std::make_shared<std::string>(R"({"board":{"board_id":)" +
                                            JsonText(kHugePageBoardId) + R"(,"filler":")");
  auto tail = std::make_shared<std::string>(
      R"(","pins":[{"pin_id":9909001,"file":{"key":"huge-page-1.jpg","type":"image/jpeg"}}]}})");
  unsigned long long filler = kHugePageBytes - head->size() - tail->size();
  size_t fullPieces = static_cast<size_t>(filler / kPiece);
  size_t lastPiece = static_cast<size_t>(filler % kPiece);

  RawAnswer answer;
  answer.headers = {{"Content-Type", "application/json; charset=utf-8"}};
  answer.contentLength = kHugePageBytes;
  answer.pieces = [=](size_t index) -> std::string {
    if (index == 0) return *head;
    if (index <= fullPieces) return std::string(kPiece, 'x');
    if (index == fullPieces + 1 && lastPiece > 0) return std::string(lastPiece, 'x');
    if (index == fullPieces + 1 + (lastPiece > 0 ? 1 : 0)) return *tail;
    return "";
  };
  return answer;
}

// One pin whose file key is a string inside `levels` arrays.
Board DeepKeyBoard(const std::string& id, int levels, long long pinId) {
  Board board;
  board.id = id;
  board.title = id;
  const std::string key = id + "-1.jpg";
  board.pins = {{pinId, key, "image/jpeg"}};
  const size_t arrays = static_cast<size_t>(levels);
  board.rawPins[pinId] =
      RawPinJson{"", std::string(arrays, '[') + "\"" + key + "\"" + std::string(arrays, ']')};
  return board;
}

}  // namespace

std::string FirstPageTarget(const std::string& boardId) {
  return "/boards/" + boardId + "/?isgtq0gn&max=&limit=100&wfl=1";
}

void AddHostileData(DemoSite& site) {
  Board controls =
      PlainBoard(kControlsBoardId, "ESC\x1b[31mred\x1b[0m BEL\x07 CR\r LF\n end", 9901003);
  controls.rawTitle = true;
  site.AddBoard(controls);

  // 100 characters of three UTF-8 bytes each: too long for a file name.
  site.AddBoard(PlainBoard(kLongTitleBoardId, Repeat("\xE9\x95\xBF", 100), 9902003));

  Board badUtf8 = PlainBoard(
      kBadUtf8BoardId, "bad \xFF\xFE bytes, cut \xE6\x88 short, lone \x80, overlong \xC0\xAF end",
      9903003);
  badUtf8.rawTitle = true;
  site.AddBoard(badUtf8);

  // U+1F600 U+1F389 U+1F44D between Chinese characters.
  site.AddBoard(
      PlainBoard(kEmojiBoardId,
                 "\xE8\xA1\xA8\xE6\x83\x85 \xF0\x9F\x98\x80\xF0\x9F\x8E\x89\xF0\x9F\x91\x8D "
                 "\xE5\x9B\xBE",
                 9904003));

  Board keys;
  keys.id = kBadKeysBoardId;
  keys.title = "hostile keys";
  keys.pins = {
      {9905006, "../escape-1.jpg", "image/jpeg"},
      {9905005, "a/b/escape-2.jpg", "image/jpeg"},
      {9905004, "..\\escape-3.jpg", "image/jpeg"},
      {9905003, "/absolute-4.jpg", "image/jpeg"},
      {9905002, "escape-5/../../../x.jpg", "image/jpeg"},
      {9905001, "plain-6.jpg", "image/jpeg"},
  };
  site.AddBoard(keys);

  Board ids;
  ids.id = kBadPinIdsBoardId;
  ids.title = "hostile pin ids";
  const char* const rawIds[] = {
      R"("../x")", R"("a/b")", R"("..\\x")", R"({"id":4})",
      "[5]",       R"("")",    "null",       "99999999999999999999999",
      "-8",        "9.5",      "true",
  };
  long long id = 9906020;
  for (const char* raw : rawIds) {
    ids.pins.push_back({id, "pin-id-" + std::to_string(id) + ".jpg", "image/jpeg"});
    ids.rawPins[id] = RawPinJson{raw, ""};
    --id;
  }
  site.AddBoard(ids);

  // A reader that recurses once per level gets through 50,000 levels on an
  // 8 MiB stack in an optimised build, but not through 200,000.
  site.AddBoard(DeepKeyBoard(kDeepKeyBoardId, kDeepKeyLevels, 9907001));
  site.AddBoard(DeepKeyBoard(kDeeperKeyBoardId, kDeeperKeyLevels, 9908001));

  site.AddBoard(PlainBoard(kHugePageBoardId, "huge page", 9909001));
  site.SetRawAnswer(FirstPageTarget(kHugePageBoardId), HugePage());

  Board count = PlainBoard(kHugeCountBoardId, "huge count", 9910003);
  count.rawPinCount = kFourHundredDigits;
  site.AddBoard(count);

  site.AddBoard(PlainBoard(kDotDotBoardId, "dot dot", 9911003));
  site.AddBoard(PlainBoard(kSlashBoardId, "slash", 9912003));
  site.AddBoard(PlainBoard(kBackslashBoardId, "backslash", 9913003));

  Search total;
  total.keyword = kHugeTotalKeyword;
  total.text = kHugeTotalKeyword;
  total.pins = PlainPins("total", 3, 9920003);
  total.rawTotal = kFourHundredDigits;
  site.AddSearch(total);

  Search controlText;
  controlText.keyword = kControlsKeyword;
  controlText.text = "ESC\x1b[1m BEL\x07 CR\r LF\n";
  controlText.rawText = true;
  controlText.pins = PlainPins("controls", 3, 9921003);
  site.AddSearch(controlText);

  Search emoji;
  emoji.keyword = kEmojiKeyword;
  emoji.text = std::string(kEmojiKeyword) + " \xE8\xA1\xA8\xE6\x83\x85";
  emoji.pins = PlainPins("emoji", 3, 9922003);
  site.AddSearch(emoji);
}

}  // namespace demosite
