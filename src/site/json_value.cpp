#include "site/json_value.h"

#include <nlohmann/json.hpp>

namespace albumdl {

JsonValue JsonValue::Parse(const Bytes& utf8) {
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
