// The cookies.txt reader on any text: it reads whatever it is given, what the
// jar then sends to a host never holds a line break (it goes into a Cookie
// header line), the jar keeps to its caps, and a well-formed line after the
// fuzzed ones is honoured.
#include <fuzzer/FuzzedDataProvider.h>

#include <cstdint>
#include <cstdlib>
#include <string>

#include "fuzz_check.h"
#include "net/cookie_jar.h"

namespace {

// A cookie name or value of letters and digits only, never empty.
std::string Token(const std::string& bytes, const char* fallback) {
  static const char kAlphabet[] = "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789";
  std::string token;
  for (unsigned char c : bytes) token += kAlphabet[c % (sizeof kAlphabet - 1)];
  return token.empty() ? fallback : token;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  FuzzedDataProvider input(data, size);
  const std::string name = Token(input.ConsumeRandomLengthString(12), "n");
  const std::string value = Token(input.ConsumeRandomLengthString(12), "v");
  const std::string host = input.ConsumeRandomLengthString(24);
  std::string file = input.ConsumeRemainingBytesAsString();
  file += "\nfuzz.example\tFALSE\t/\tFALSE\t0\t" + name + "\t" + value + "\n";

  albumdl::CookieJar jar;
  jar.LoadCookieText(file, "http://fuzz.example");
  FUZZ_CHECK(jar.Count() <= albumdl::CookieJar::kMostInAll);

  for (const std::string& address :
       {"http://" + host + "/", "https://" + host + "/boards/x/", host}) {
    const albumdl::Text cookies = jar.CookieLineFor(address);
    FUZZ_CHECK(cookies.find('\r') == albumdl::Text::npos);
    FUZZ_CHECK(cookies.find('\n') == albumdl::Text::npos);
  }
  const albumdl::Text ours = jar.CookieLineFor("http://fuzz.example/boards/");
  const std::string item = name + "=" + value;
  FUZZ_CHECK(("; " + ours + "; ").find("; " + item + "; ") != std::string::npos);
  return 0;
}
