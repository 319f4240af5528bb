#include "site/json_value.h"

#include <climits>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <nlohmann/json.hpp>

namespace albumdl {

namespace {

// A number as JSON writes it: -?(0|[1-9][0-9]*)(.[0-9]+)?([eE][+-]?[0-9]+)?
bool IsJsonNumber(const std::string& token) {
  size_t i = 0;
  const auto digits = [&] {
    const size_t start = i;
    while (i < token.size() && token[i] >= '0' && token[i] <= '9') ++i;
    return i > start;
  };
  if (i < token.size() && token[i] == '-') ++i;
  if (i < token.size() && token[i] == '0') {
    ++i;
  } else if (!digits()) {
    return false;
  }
  if (i < token.size() && token[i] == '.') {
    ++i;
    if (!digits()) return false;
  }
  if (i < token.size() && (token[i] == 'e' || token[i] == 'E')) {
    ++i;
    if (i < token.size() && (token[i] == '+' || token[i] == '-')) ++i;
    if (!digits()) return false;
  }
  return i == token.size();
}

// JSON allows numbers of any size; the reader does not, and refuses a whole
// page for one beyond a double (a count of 400 digits). Such a number becomes
// the largest double, which every caller reads as "more than enough".
// Strings are left as they are, and so is what only looks like a number: a
// page that is no JSON stays no JSON. Nothing when the text holds no such
// number.
std::optional<Bytes> WithHugeNumbersClamped(const Bytes& text) {
  Bytes out;
  bool changed = false;
  bool inString = false;
  size_t i = 0;
  while (i < text.size()) {
    const char c = text[i];
    if (inString) {
      out += c;
      if (c == '\\' && i + 1 < text.size()) {
        out += text[++i];
      } else if (c == '"') {
        inString = false;
      }
      ++i;
      continue;
    }
    if (c == '"') inString = true;
    if (c != '-' && (c < '0' || c > '9')) {
      out += c;
      ++i;
      continue;
    }
    size_t end = i + 1;
    while (end < text.size() && std::strchr("0123456789+-.eE", text[end]) != nullptr) ++end;
    const std::string number = text.substr(i, end - i);
    if (!IsJsonNumber(number) || std::isfinite(std::strtod(number.c_str(), nullptr))) {
      out += number;
    } else {
      out += c == '-' ? "-1e308" : "1e308";
      changed = true;
    }
    i = end;
  }
  if (!changed) return std::nullopt;
  return out;
}

}  // namespace

JsonValue JsonValue::Parse(const Bytes& utf8) {
  JsonValue parsed = ParseAsIs(utf8);
  if (!parsed.Empty()) return parsed;
  const std::optional<Bytes> clamped = WithHugeNumbersClamped(utf8);
  return clamped ? ParseAsIs(*clamped) : parsed;
}

JsonValue JsonValue::ParseAsIs(const Bytes& utf8) {
  // The site answers in UTF-8, and the parser checks strings for valid UTF-8,
  // so the page is parsed as it came and only the rendered values are turned
  // into code page 936. The parser itself keeps no stack of its own calls, but
  // rendering a value and dropping the document would recurse as deep as the
  // page is nested: a page nested deeper than any real one is no page.
  bool tooDeep = false;
  const nlohmann::json::parser_callback_t depthCheck =
      [&tooDeep](int depth, nlohmann::json::parse_event_t, nlohmann::json&) {
        if (depth > kMostNesting) tooDeep = true;
        return !tooDeep;
      };
  auto document = std::make_shared<nlohmann::json>(
      nlohmann::json::parse(utf8.begin(), utf8.end(), depthCheck, /*allow_exceptions=*/false));
  if (tooDeep || document->is_discarded()) return {};
  const nlohmann::json* root = document.get();
  return JsonValue(std::move(document), root);
}

JsonValue JsonValue::Member(const char* name) const {
  if (node_ == nullptr || !node_->is_object()) return {};
  const auto found = node_->find(name);
  if (found == node_->end()) return {};
  return JsonValue(document_, &*found);
}

bool JsonValue::IsObject() const { return node_ != nullptr && node_->is_object(); }

bool JsonValue::IsString() const { return node_ != nullptr && node_->is_string(); }

std::optional<long long> JsonValue::WholeNumber() const {
  if (node_ == nullptr) return std::nullopt;
  switch (node_->type()) {
    case nlohmann::json::value_t::number_integer: {
      const long long value = node_->get<long long>();
      if (value < 0) return std::nullopt;
      return value;
    }
    case nlohmann::json::value_t::number_unsigned: {
      const unsigned long long value = node_->get<unsigned long long>();
      return value > static_cast<unsigned long long>(LLONG_MAX) ? LLONG_MAX
                                                                : static_cast<long long>(value);
    }
    case nlohmann::json::value_t::number_float: {
      // A number beyond every integer type (a count of 400 digits) comes as
      // an infinity or a huge float.
      const double value = node_->get<double>();
      if (std::isnan(value) || value < 0 || value != std::floor(value)) return std::nullopt;
      return value >= 9.2e18 ? LLONG_MAX : static_cast<long long>(value);
    }
    case nlohmann::json::value_t::string: {
      const std::string& text = node_->get_ref<const std::string&>();
      if (text.empty()) return std::nullopt;
      long long value = 0;
      for (char c : text) {
        if (c < '0' || c > '9') return std::nullopt;
        const int digit = c - '0';
        value = value > (LLONG_MAX - digit) / 10 ? LLONG_MAX : value * 10 + digit;
      }
      return value;
    }
    default:
      return std::nullopt;
  }
}

int JsonValue::Count() const {
  if (node_ == nullptr || !node_->is_array()) return 0;
  return static_cast<int>(node_->size());
}

JsonValue JsonValue::At(int index) const {
  if (index < 0 || index >= Count()) return {};
  return JsonValue(document_, &(*node_)[static_cast<size_t>(index)]);
}

Text JsonValue::Render() const {
  if (node_ == nullptr) return {};
  switch (node_->type()) {
    case nlohmann::json::value_t::string:
      return Utf8ToAnsi(node_->get_ref<const std::string&>());
    case nlohmann::json::value_t::number_integer:
      return std::to_string(node_->get<long long>());
    case nlohmann::json::value_t::number_unsigned:
      return std::to_string(node_->get<unsigned long long>());
    case nlohmann::json::value_t::null:
    case nlohmann::json::value_t::discarded:
      return {};
    default:
      return Utf8ToAnsi(node_->dump(-1, ' ', false, nlohmann::json::error_handler_t::replace));
  }
}

}  // namespace albumdl
