#include "platform/code_page.h"

#include <unicode/ucnv.h>
#include <unicode/ucnv_cb.h>

#include <memory>

namespace albumdl::platform {
namespace {

struct ConverterCloser {
  void operator()(UConverter* c) const { ucnv_close(c); }
};
using Converter = std::unique_ptr<UConverter, ConverterCloser>;

// The Windows functions with flags 0 turn a GBK byte sequence that maps to no
// character into "?", not into U+FFFD as ICU does by default.
void QuestionMarkToUnicode(const void*, UConverterToUnicodeArgs* args, const char*, int32_t,
                           UConverterCallbackReason reason, UErrorCode* err) {
  if (reason > UCNV_IRREGULAR) return;
  *err = U_ZERO_ERROR;
  const UChar question = u'?';
  ucnv_cbToUWriteUChars(args, &question, 1, 0, err);
}

// And a character the code page lacks becomes "?", each one: ICU's own
// substitution skips the invisible ones (U+200B, U+2061, ...) without a trace.
void QuestionMarkFromUnicode(const void*, UConverterFromUnicodeArgs* args, const UChar*, int32_t,
                             UChar32, UConverterCallbackReason reason, UErrorCode* err) {
  if (reason > UCNV_IRREGULAR) return;
  *err = U_ZERO_ERROR;
  ucnv_cbFromUWriteBytes(args, "?", 1, 0, err);
}

Converter Open(const char* name, bool gbk) {
  UErrorCode err = U_ZERO_ERROR;
  Converter c(ucnv_open(name, &err));
  if (U_FAILURE(err)) return nullptr;
  if (gbk) {
    const void* oldContext = nullptr;
    UConverterToUCallback oldToU = nullptr;
    ucnv_setToUCallBack(c.get(), QuestionMarkToUnicode, nullptr, &oldToU, &oldContext, &err);
    UConverterFromUCallback oldFromU = nullptr;
    ucnv_setFromUCallBack(c.get(), QuestionMarkFromUnicode, nullptr, &oldFromU, &oldContext, &err);
  }
  if (U_FAILURE(err)) return nullptr;
  return c;
}

// Opening a converter costs far more than a conversion of a short text, and
// converters are not thread-safe, so every thread keeps its own pair.
UConverter* ConverterFor(int codePage) {
  thread_local Converter gbk = Open("windows-936", true);
  thread_local Converter utf8 = Open("UTF-8", false);
  UConverter* c = nullptr;
  if (codePage == 936 || codePage == 0) c = gbk.get();  // 0: the ANSI code page
  if (codePage == 65001) c = utf8.get();
  if (c) ucnv_reset(c);
  return c;
}

}  // namespace

std::u16string MultiByteToWide(int codePage, const std::string& bytes) {
  UConverter* c = ConverterFor(codePage);
  if (!c || bytes.empty()) return {};
  // Every input byte yields at most one UTF-16 unit in both code pages.
  std::u16string out(bytes.size() + 1, u'\0');
  UErrorCode err = U_ZERO_ERROR;
  int32_t n = ucnv_toUChars(c, out.data(), static_cast<int32_t>(out.size()), bytes.data(),
                            static_cast<int32_t>(bytes.size()), &err);
  if (err == U_BUFFER_OVERFLOW_ERROR) {
    out.assign(static_cast<size_t>(n) + 1, u'\0');
    err = U_ZERO_ERROR;
    ucnv_reset(c);
    n = ucnv_toUChars(c, out.data(), static_cast<int32_t>(out.size()), bytes.data(),
                      static_cast<int32_t>(bytes.size()), &err);
  }
  if (U_FAILURE(err)) return {};
  out.resize(static_cast<size_t>(n));
  return out;
}

std::string WideToMultiByte(int codePage, const std::u16string& wide) {
  UConverter* c = ConverterFor(codePage);
  if (!c || wide.empty()) return {};
  // At most three bytes per UTF-16 unit (UTF-8), two in code page 936.
  std::string out(wide.size() * 3 + 1, '\0');
  UErrorCode err = U_ZERO_ERROR;
  int32_t n = ucnv_fromUChars(c, out.data(), static_cast<int32_t>(out.size()), wide.data(),
                              static_cast<int32_t>(wide.size()), &err);
  if (err == U_BUFFER_OVERFLOW_ERROR) {
    out.assign(static_cast<size_t>(n) + 1, '\0');
    err = U_ZERO_ERROR;
    ucnv_reset(c);
    n = ucnv_fromUChars(c, out.data(), static_cast<int32_t>(out.size()), wide.data(),
                        static_cast<int32_t>(wide.size()), &err);
  }
  if (U_FAILURE(err)) return {};
  out.resize(static_cast<size_t>(n));
  return out;
}

}  // namespace albumdl::platform
