// The character-aware text helpers against plain byte searches, on a 1 MB page
// of mixed Chinese and ASCII text (code page 936). The program cuts every answer
// with these searches, so they must stay close to the peer: TextFind and
// TextBetween against std::string_view::find, Utf8ToAnsi against glibc's iconv.
// Every search looks for a marker at the very end, so the whole page is scanned.
// scripts/bench runs this program and prints the figures as tables.
#include <benchmark/benchmark.h>
#include <iconv.h>

#include <string>
#include <string_view>

#include "text/text.h"

namespace {

using albumdl::Text;

constexpr size_t kPageBytes = 1 << 20;

Text MakePage() {
  Text page = "{\"board\":{\"title\":\"春天的樱花风景\",\"pins\":[";
  for (size_t i = 0; page.size() < kPageBytes - 64; ++i) {
    page += "{\"pin_id\":" + std::to_string(900000 + i) +
            ",\"raw_text\":\"美丽的风景照片，来自我的相册\",\"file\":{\"key\":\"k" +
            std::to_string(i) + ".png\",\"type\":\"image/png\"}},";
  }
  page += "],\"pin_count\":250,\"end\":1}}";
  return page;
}

const Text& Page() {
  static const Text page = MakePage();
  return page;
}

const Text& PageUtf8() {
  static const Text utf8 = albumdl::AnsiToUtf8(Page());
  return utf8;
}

void CountBytes(benchmark::State& state, size_t bytes) {
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * bytes));
}

void BM_TextFind(benchmark::State& state) {
  for (auto _ : state) benchmark::DoNotOptimize(albumdl::TextFind(Page(), "\"pin_count\":"));
  CountBytes(state, Page().size());
}

void BM_StringViewFind(benchmark::State& state) {
  const std::string_view page = Page();
  for (auto _ : state) benchmark::DoNotOptimize(page.find("\"pin_count\":"));
  CountBytes(state, Page().size());
}

void BM_TextBetween(benchmark::State& state) {
  for (auto _ : state) {
    benchmark::DoNotOptimize(albumdl::TextBetween(Page(), "\"pin_count\":", ","));
  }
  CountBytes(state, Page().size());
}

// What TextBetween does, with byte searches and no copy but the result's.
void BM_StringViewBetween(benchmark::State& state) {
  const std::string_view page = Page();
  for (auto _ : state) {
    std::string cut;
    const size_t start = page.find("\"pin_count\":");
    if (start != std::string_view::npos) {
      const size_t from = start + 12;
      const size_t end = page.find(',', from);
      if (end != std::string_view::npos) cut = std::string(page.substr(from, end - from));
    }
    benchmark::DoNotOptimize(cut);
  }
  CountBytes(state, Page().size());
}

void BM_Utf8ToAnsi(benchmark::State& state) {
  for (auto _ : state) benchmark::DoNotOptimize(albumdl::Utf8ToAnsi(PageUtf8()));
  CountBytes(state, PageUtf8().size());
}

void BM_IconvUtf8ToGbk(benchmark::State& state) {
  iconv_t cd = iconv_open("GBK", "UTF-8");
  if (cd == reinterpret_cast<iconv_t>(-1)) {
    state.SkipWithError("iconv has no GBK");
    return;
  }
  const Text& utf8 = PageUtf8();
  for (auto _ : state) {
    std::string out(utf8.size(), '\0');
    char* in = const_cast<char*>(utf8.data());
    size_t inLeft = utf8.size();
    char* to = out.data();
    size_t outLeft = out.size();
    iconv(cd, nullptr, nullptr, nullptr, nullptr);
    iconv(cd, &in, &inLeft, &to, &outLeft);
    out.resize(out.size() - outLeft);
    benchmark::DoNotOptimize(out);
  }
  iconv_close(cd);
  CountBytes(state, PageUtf8().size());
}

BENCHMARK(BM_TextFind)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_StringViewFind)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_TextBetween)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_StringViewBetween)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_Utf8ToAnsi)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_IconvUtf8ToGbk)->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
