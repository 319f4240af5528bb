#include "site_pages.h"

#include <algorithm>
#include <cstdlib>
#include <nlohmann/json.hpp>

namespace demosite {
namespace {

using Json = nlohmann::ordered_json;

// Titles and query texts may hold anything a visitor typed, including bytes
// that are not UTF-8; those become U+FFFD instead of failing the answer.
std::string Dump(const Json& json) {
  return json.dump(-1, ' ', false, Json::error_handler_t::replace);
}

// The pages are put together as text, so that raw parts (RawPinJson) go in
// as they are; the rest is laid out exactly as the JSON library writes it.
std::string PinJson(const Pin& pin, const std::map<long long, RawPinJson>& rawPins) {
  std::string pinId = std::to_string(pin.pinId);
  std::string key = JsonText(pin.key);
  auto raw = rawPins.find(pin.pinId);
  if (raw != rawPins.end()) {
    if (!raw->second.pinId.empty()) pinId = raw->second.pinId;
    if (!raw->second.key.empty()) key = raw->second.key;
  }
  return R"({"pin_id":)" + pinId + R"(,"file":{"key":)" + key + R"(,"type":)" + JsonText(pin.type) +
         "}}";
}

std::string PinsJson(const std::vector<Pin>& pins, const std::map<long long, RawPinJson>& rawPins,
                     size_t from, size_t to) {
  std::string array = "[";
  for (size_t i = from; i < to && i < pins.size(); ++i) {
    if (array.size() > 1) array += ',';
    array += PinJson(pins[i], rawPins);
  }
  return array + "]";
}

// A text between quotes, escaped as JSON or, when raw, byte for byte.
std::string QuotedText(const std::string& text, bool raw) {
  return raw ? "\"" + text + "\"" : JsonText(text);
}

std::optional<long long> ParsePinId(const std::string& text) {
  if (text.empty()) return std::nullopt;
  char* end = nullptr;
  long long value = std::strtoll(text.c_str(), &end, 10);
  if (*end != '\0') return std::nullopt;
  return value;
}

// Where the page after maxPinId starts. The pin itself normally is on the
// board; when it has gone, the page goes on with the first older pin, as a
// site whose pin ids fall from newest to oldest would.
size_t PageStart(const Board& board, const std::string& maxPinId) {
  if (maxPinId.empty()) return 0;
  auto id = ParsePinId(maxPinId);
  if (!id) return board.pins.size();
  for (size_t i = 0; i < board.pins.size(); ++i) {
    if (board.pins[i].pinId == *id) return i + 1;
  }
  for (size_t i = 0; i < board.pins.size(); ++i) {
    if (board.pins[i].pinId < *id) return i;
  }
  return board.pins.size();
}

std::string HtmlEscape(const std::string& text) {
  std::string out;
  for (char c : text) {
    switch (c) {
      case '&':
        out += "&amp;";
        break;
      case '<':
        out += "&lt;";
        break;
      case '>':
        out += "&gt;";
        break;
      case '"':
        out += "&quot;";
        break;
      case '\'':
        out += "&#39;";
        break;
      default:
        out += c;
    }
  }
  return out;
}

std::string HtmlPage(const std::string& title, const std::string& body) {
  return "<!DOCTYPE html>\n<html><head><meta charset=\"utf-8\"><title>" + HtmlEscape(title) +
         "</title></head>\n<body>\n" + body + "</body></html>\n";
}

}  // namespace

std::string JsonText(const std::string& text) { return Dump(Json(text)); }

std::string BoardAnswerJson(const Board& board, bool signedIn) {
  bool hidden = board.isPrivate && !signedIn;
  long long count = hidden ? 0 : board.pinCount.value_or(static_cast<long long>(board.pins.size()));
  std::string countText = std::to_string(count);
  if (!hidden && !board.rawPinCount.empty()) countText = board.rawPinCount;
  return R"({"board":{"board_id":)" + JsonText(board.id) + R"(,"title":)" +
         QuotedText(board.title, board.rawTitle) + R"(,"pin_count":)" + countText +
         R"(,"user":{"user_id":1,"username":"demo"},"is_private":)" +
         (board.isPrivate ? "true" : "false") + "}}";
}

std::string BoardPageJson(const Board& board, bool signedIn, const std::string& maxPinId,
                          int limit) {
  std::string pins = "[]";
  if (!board.isPrivate || signedIn) {
    size_t size = static_cast<size_t>(std::max(board.pageLimit, 0));
    if (limit > 0) size = std::min(size, static_cast<size_t>(limit));
    size_t start = board.ignoresCursor ? 0 : PageStart(board, maxPinId);
    pins = PinsJson(board.pins, board.rawPins, start, start + size);
  }
  return R"({"board":{"board_id":)" + JsonText(board.id) + R"(,"pins":)" + pins + "}}";
}

std::string SearchAnswerJson(const std::string& text, bool rawText, const std::string& total) {
  return R"({"query":{"text":)" + QuotedText(text, rawText) + R"(,"total":)" + total +
         R"(},"pins":[]})";
}

std::string SearchPageJson(const Search* search, int page, int perPage) {
  std::string pins = "[]";
  bool listedEmpty = search && std::find(search->emptyPages.begin(), search->emptyPages.end(),
                                         page) != search->emptyPages.end();
  if (search && page >= 1 && perPage > 0 && !listedEmpty) {
    size_t start = static_cast<size_t>(page - 1) * static_cast<size_t>(perPage);
    pins = PinsJson(search->pins, search->rawPins, start, start + static_cast<size_t>(perPage));
  }
  return R"({"pins":)" + pins + "}";
}

std::string NotFoundJson(const std::string& what) {
  return Dump(Json{{"err", 404}, {"msg", what + " not found"}});
}

std::string MalformedJson() { return R"({"board":{"pins":[{"pin_id":1,,"file":{"key":)"; }

std::string ImposterBody(Fault::Imposter imposter) {
  switch (imposter) {
    case Fault::Imposter::kJson:
      return R"({"err":403,"msg":"hotlinking is not allowed"})";
    case Fault::Imposter::kText:
      return "Access denied: this picture is not available.\n";
    case Fault::Imposter::kHtml:
      break;
  }
  return HtmlPage("404 Not Found", "<h1>404 Not Found</h1>\n<p>The picture is not here.</p>\n");
}

std::string IndexHtml(const std::vector<Board>& boards, const std::vector<Search>& searches) {
  std::string body =
      "<h1>演示图片站</h1>\n<p><a href=\"/login\">登录</a></p>\n<h2>画板</h2>\n<ul>\n";
  for (const Board& board : boards) {
    std::string address = "/boards/" + board.id + "/";
    body += "<li><a href=\"" + HtmlEscape(address) + "\">" + HtmlEscape(board.title) + "</a> (" +
            std::to_string(board.pins.size()) + ")" + (board.isPrivate ? " 私密" : "") + "</li>\n";
  }
  body += "</ul>\n<h2>搜索</h2>\n<ul>\n";
  for (const Search& search : searches) {
    std::string address = "/search/?q=" + search.keyword;
    body += "<li><a href=\"" + HtmlEscape(address) + "\">" + HtmlEscape(search.text) + "</a> (" +
            std::to_string(search.pins.size()) + ")</li>\n";
  }
  body += "</ul>\n";
  return HtmlPage("演示图片站", body);
}

std::string LoginFormHtml(const std::string& message) {
  std::string body = "<h1>登录</h1>\n";
  if (!message.empty()) body += "<p class=\"message\">" + HtmlEscape(message) + "</p>\n";
  body +=
      "<form method=\"post\" action=\"/login\">\n"
      "<p><label>用户名 <input type=\"text\" name=\"username\"></label></p>\n"
      "<p><label>密码 <input type=\"password\" name=\"password\"></label></p>\n"
      "<p><input type=\"submit\" value=\"登录\"></p>\n"
      "</form>\n";
  return HtmlPage("登录", body);
}

std::string SignedInHtml(const std::string& username) {
  return HtmlPage("已登录", "<h1>已登录</h1>\n<p>signed in as " + HtmlEscape(username) +
                                "</p>\n<p><a href=\"/\">首页</a></p>\n");
}

std::string FeedbackHtml(bool thanked) {
  std::string body = "<h1>意见反馈</h1>\n";
  if (thanked) body += "<p>谢谢您的反馈！</p>\n";
  body +=
      "<form method=\"post\" action=\"/feedback\">\n"
      "<p><textarea name=\"message\" rows=\"6\" cols=\"60\"></textarea></p>\n"
      "<p><input type=\"submit\" value=\"提交\"></p>\n"
      "</form>\n";
  return HtmlPage("意见反馈", body);
}

std::string VersionText() {
  // One entry per program, each between "#keyword@@" and "#keyword"; readers
  // cut out the entry of their own key word and ignore the others.
  return "版本信息 / versions\n"
         "#albumdl@@1.2.0#albumdl\n"
         "#zelvani@@3.0#zelvani\n"
         "#photowall@@2.5.1#photowall\n"
         "#notice@@演示站点：所有图片均为程序生成#notice\n";
}

}  // namespace demosite
