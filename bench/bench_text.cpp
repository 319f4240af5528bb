// How the character-aware text search compares with a plain byte search
// (std::string::find), on a page-sized mixed Chinese/ASCII text. The program
// cuts every answer with these searches, so they must stay close to the peer.
#include <benchmark/benchmark.h>

#include <string>

#include "text/text.h"

namespace {

using albumdl::Text;

Text MakePage(size_t pins) {
  Text page = "{\"board\":{\"title\":\"春天的樱花风景\",\"pins\":[";
  for (size_t i = 0; i < pins; ++i) {
    page += "{\"pin_id\":" + std::to_string(900000 + i) +
            ",\"raw_text\":\"美丽的风景照片，来自我的相册\",\"file\":{\"key\":\"k" +
            std::to_string(i) + ".png\",\"type\":\"image/png\"}},";
  }
  page += "],\"pin_count\":250,\"end\":1}}";
  return page;
}

const Text& Page() {
  static const Text page = MakePage(100);
  return page;
}

void BM_TextFind(benchmark::State& state) {
  for (auto _ : state) benchmark::DoNotOptimize(albumdl::TextFind(Page(), "\"pin_count\":"));
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * Page().size()));
}

void BM_StdFind(benchmark::State& state) {
  for (auto _ : state) benchmark::DoNotOptimize(Page().find("\"pin_count\":"));
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * Page().size()));
}

void BM_TextBetween(benchmark::State& state) {
  for (auto _ : state) {
    benchmark::DoNotOptimize(albumdl::TextBetween(Page(), "\"pin_count\":", ","));
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * Page().size()));
}

void BM_Utf8ToAnsi(benchmark::State& state) {
  const Text utf8 = albumdl::AnsiToUtf8(Page());
  for (auto _ : state) benchmark::DoNotOptimize(albumdl::Utf8ToAnsi(utf8));
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * utf8.size()));
}

BENCHMARK(BM_TextFind);
BENCHMARK(BM_StdFind);
BENCHMARK(BM_TextBetween);
BENCHMARK(BM_Utf8ToAnsi);

}  // namespace

BENCHMARK_MAIN();
