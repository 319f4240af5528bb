// A read-only view of a parsed JSON page, shaped after what the downloads ask of
// it: a member by name, an element by index, a count, a value as text. Asking
// the wrong thing (a member of a non-object, an element of a non-array, a text
// that did not parse) gives an empty value with 0 elements, never an error.
#pragma once

#include <memory>
#include <nlohmann/json_fwd.hpp>
#include <utility>

#include "text/text.h"

namespace albumdl {

class JsonValue {
 public:
  JsonValue() = default;  // the empty value

  // Parses a whole UTF-8 document. One nested deeper than kMostNesting gives
  // the empty value, like one that does not parse.
  static JsonValue Parse(const Bytes& utf8);
  static constexpr int kMostNesting = 256;

  bool Empty() const { return node_ == nullptr; }
  JsonValue Member(const char* name) const;
  int Count() const;  // elements of an array; 0 for anything else
  JsonValue At(int index) const;
  // Code page 936 text: a number as its decimal digits, a string as its
  // content, true/false, an object or array as JSON; empty for the empty value
  // and for null.
  Text Render() const;

 private:
  JsonValue(std::shared_ptr<const nlohmann::json> document, const nlohmann::json* node)
      : document_(std::move(document)), node_(node) {}

  std::shared_ptr<const nlohmann::json> document_;  // keeps node_ alive
  const nlohmann::json* node_ = nullptr;
};

}  // namespace albumdl
