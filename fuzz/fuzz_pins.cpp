// A board page as the download reads it: Parse, then board.pins, each pin's
// pin_id rendered and its file.key. Checked against the JSON library read
// directly: what does not parse (but for numbers beyond a double), or nests
// deeper than Parse takes, is empty;
// the pin count is the array's size, indexes outside it give the empty value,
// a number renders as its digits, and an object or array of plain ASCII reads
// back from its rendering as the same JSON.
#include <algorithm>
#include <cstdint>
#include <nlohmann/json.hpp>
#include <string>
#include <utility>
#include <vector>

#include "fuzz_check.h"
#include "site/json_value.h"

using albumdl::JsonValue;
using Json = nlohmann::json;

namespace {

bool Ascii(const std::string& text) {
  for (char c : text) {
    if (static_cast<unsigned char>(c) >= 0x80) return false;
  }
  return true;
}

void CheckRender(const JsonValue& value, const Json* expected) {
  const albumdl::Text text = value.Render();
  if (expected == nullptr || expected->is_null()) {
    FUZZ_CHECK(text.empty());
    return;
  }
  if (expected->is_number_integer()) {
    const std::string digits = expected->is_number_unsigned()
                                   ? std::to_string(expected->get<unsigned long long>())
                                   : std::to_string(expected->get<long long>());
    FUZZ_CHECK(text == digits);
  } else if (expected->is_object() || expected->is_array()) {
    // Characters code page 936 lacks come out as "?": only plain ASCII JSON
    // reads back the same.
    if (Ascii(expected->dump())) FUZZ_CHECK(Json::parse(text) == *expected);
  } else if (expected->is_boolean()) {
    FUZZ_CHECK(text == (expected->get<bool>() ? "true" : "false"));
  }
}

// How many objects and arrays the deepest part of the document sits in,
// counted without recursion.
int Nesting(const Json& document) {
  int deepest = 0;
  std::vector<std::pair<const Json*, int>> open{{&document, 1}};
  while (!open.empty()) {
    auto [node, depth] = open.back();
    open.pop_back();
    if (!node->is_structured()) continue;
    deepest = std::max(deepest, depth);
    for (const Json& child : *node) open.emplace_back(&child, depth + 1);
  }
  return deepest;
}

bool FirstFaultIsANumberTooLarge(const std::string& page) {
  try {
    (void)Json::parse(page);
  } catch (const Json::out_of_range&) {
    return true;
  } catch (const Json::exception&) {
  }
  return false;
}

const Json* MemberOf(const Json* node, const char* name) {
  if (node == nullptr || !node->is_object()) return nullptr;
  auto found = node->find(name);
  return found == node->end() ? nullptr : &*found;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string page(reinterpret_cast<const char*>(data), size);
  const JsonValue document = JsonValue::Parse(page);
  const Json reference = Json::parse(page, nullptr, false);
  if (reference.is_discarded()) {
    // Parse reads a number beyond a double as the largest one, where the
    // library refuses the page at it; anything else it refuses is empty.
    if (!document.Empty()) FUZZ_CHECK(FirstFaultIsANumberTooLarge(page));
    return 0;
  }
  // Deeper than that no real page goes; a document a level or two around the
  // limit may go either way, as the parser counts its levels.
  const int nesting = Nesting(reference);
  if (nesting > JsonValue::kMostNesting + 2) {
    FUZZ_CHECK(document.Empty());
    return 0;
  }
  if (nesting >= JsonValue::kMostNesting - 2) return 0;
  FUZZ_CHECK(!document.Empty());

  const JsonValue pins = document.Member("board").Member("pins");
  const Json* referencePins = MemberOf(MemberOf(&reference, "board"), "pins");
  const int count = pins.Count();
  FUZZ_CHECK(
      count ==
      (referencePins && referencePins->is_array() ? static_cast<int>(referencePins->size()) : 0));
  FUZZ_CHECK(pins.At(-1).Empty() && pins.At(count).Empty());
  FUZZ_CHECK(pins.At(0).Count() == 0 || pins.At(0).Render().size() > 0);

  for (int i = 0; i < count; ++i) {
    const JsonValue pin = pins.At(i);
    FUZZ_CHECK(!pin.Empty());
    const Json* referencePin = &(*referencePins)[static_cast<size_t>(i)];
    CheckRender(pin.Member("pin_id"), MemberOf(referencePin, "pin_id"));
    const JsonValue key = pin.Member("file").Member("key");
    CheckRender(key, MemberOf(MemberOf(referencePin, "file"), "key"));
  }
  document.Render();
  return 0;
}
