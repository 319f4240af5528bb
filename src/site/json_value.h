// A read-only view of a parsed JSON page, shaped after what the downloads ask of
// it: a member by name, an element by index, a count, a value as text. Asking
// the wrong thing (a member of a non-object, an element of a non-array, a text
// that did not parse) gives an empty value with 0 elements, never an error.
#pragma once

#include <memory>
#include <nlohmann/json_fwd.hpp>
#include <optional>
#include <utility>

#include "text/text.h"

namespace albumdl {

class JsonValue {
 public:
  JsonValue() = default;  // the empty value

  // Parses a whole UTF-8 document. One nested deeper than kMostNesting gives
  // the empty value, like one that does not parse. A number too large for a
  // double reads as the largest one.
  static JsonValue Parse(const Bytes& utf8);
  static constexpr int kMostNesting = 256;

  bool Empty() const { return node_ == nullptr; }
  bool IsObject() const;
  bool IsString() const;
  JsonValue Member(const char* name) const;
  int Count() const;  // elements of an array; 0 for anything else
  JsonValue At(int index) const;
  // Code page 936 text: a number as its decimal digits, a string as its
  // content, true/false, an object or array as JSON; empty for the empty value
  // and for null.
  Text Render() const;
  // A count: a whole number not below 0, also when written as a decimal
  // string or as a number with a fraction of zero; one too large for a long
  // long is the largest there is. Nothing for anything else.
  std::optional<long long> WholeNumber() const;

 private:
  static JsonValue ParseAsIs(const Bytes& utf8);
  JsonValue(std::shared_ptr<const nlohmann::json> document, const nlohmann::json* node)
      : document_(std::move(document)), node_(node) {}

  std::shared_ptr<const nlohmann::json> document_;  // keeps node_ alive
  const nlohmann::json* node_ = nullptr;
};

}  // namespace albumdl
