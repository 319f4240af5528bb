// The session's cookie jar against libcurl's own cookie engine, on a site that
// sets 1,000 new cookies with every picture (the flood of issue 16), over 60
// and 600 pictures from the stand-in site on loopback. Both keep cookies per
// host and send what matches; the figures show what each holds and sends as a
// run goes on:
//   held        cookies kept after the run
//   line_bytes  the Cookie line of the last picture request
// and the time per picture. The jar keeps a browser's 180 per host, so its
// line and its work stay flat; libcurl 7.88 takes 50 per answer and keeps
// every one, so it holds 50 more after each picture, and matching, sorting
// and sending grow with the run. BM_JarTakesAFlood times the jar alone.
#include <benchmark/benchmark.h>
#include <curl/curl.h>

#include <string>
#include <vector>

#include "demo_site.h"
#include "net/cookie_jar.h"
#include "net/winhttp_request.h"

namespace {

constexpr int kCookiesPerAnswer = 1000;
constexpr int kMostPictures = 600;

std::string Key(int i) { return "flood-" + std::to_string(i % kMostPictures + 1) + ".jpg"; }

// One site for the whole program: every picture answer sets 1,000 cookies of
// its own names.
demosite::DemoSite& Site() {
  static demosite::DemoSite* site = [] {
    auto* s = new demosite::DemoSite(/*empty=*/true);
    s->Start(0);
    for (int i = 0; i < kMostPictures; ++i) {
      demosite::RawAnswer answer;
      answer.headers.emplace_back("Content-Type", "image/jpeg");
      for (int j = 0; j < kCookiesPerAnswer; ++j) {
        answer.headers.emplace_back(
            "Set-Cookie", "c" + std::to_string(i) + "_" + std::to_string(j) + "=v; Path=/");
      }
      answer.body = demosite::DemoSite::PictureBytes(Key(i));
      s->SetRawAnswer("/img/" + Key(i), answer);
    }
    return s;
  }();
  return *site;
}

std::string PictureUrl(int i) { return Site().ImageHost() + "/" + Key(i); }

double LastCookieLineBytes() {
  const auto requests = Site().Requests();
  return requests.empty() ? 0 : static_cast<double>(requests.back().Header("Cookie").size());
}

void BM_JarFloodedPictures(benchmark::State& state) {
  Site();
  albumdl::CookieJar jar;
  int i = 0;
  for (auto _ : state) {
    if (i == 0) Site().ClearRequests();
    const albumdl::HttpResult picture = albumdl::WinHttpRequest(
        {.url = PictureUrl(i++), .limits = albumdl::kPictureLimits, .jar = &jar});
    if (picture.statusCode != 200) state.SkipWithError("picture not fetched");
  }
  state.counters["held"] = static_cast<double>(jar.Count());
  state.counters["line_bytes"] = LastCookieLineBytes();
  state.SetItemsProcessed(state.iterations());
}

size_t Discard(char*, size_t size, size_t count, void*) { return size * count; }

// libcurl's engine as a program would use it: one handle that keeps its
// cookies from transfer to transfer.
void BM_CurlEngineFloodedPictures(benchmark::State& state) {
  Site();
  CURL* curl = curl_easy_init();
  curl_easy_setopt(curl, CURLOPT_COOKIEFILE, "");
  curl_easy_setopt(curl, CURLOPT_WRITEFUNCTION, Discard);
  int i = 0;
  for (auto _ : state) {
    if (i == 0) Site().ClearRequests();
    const std::string url = PictureUrl(i++);
    curl_easy_setopt(curl, CURLOPT_URL, url.c_str());
    if (curl_easy_perform(curl) != CURLE_OK) state.SkipWithError("picture not fetched");
  }
  curl_slist* cookies = nullptr;
  long held = 0;
  if (curl_easy_getinfo(curl, CURLINFO_COOKIELIST, &cookies) == CURLE_OK) {
    for (curl_slist* each = cookies; each != nullptr; each = each->next) ++held;
  }
  curl_slist_free_all(cookies);
  curl_easy_cleanup(curl);
  state.counters["held"] = static_cast<double>(held);
  state.counters["line_bytes"] = LastCookieLineBytes();
  state.SetItemsProcessed(state.iterations());
}

// The jar alone: one answer of 1,000 Set-Cookie lines taken in, then the
// Cookie line for the next request, on a jar already full from earlier ones.
void BM_JarTakesAFlood(benchmark::State& state) {
  albumdl::CookieJar jar;
  const std::string url = "http://127.0.0.1:18631/img/a.jpg";
  std::vector<std::vector<albumdl::Text>> answers(8);
  for (size_t a = 0; a < answers.size(); ++a) {
    for (int j = 0; j < kCookiesPerAnswer; ++j) {
      answers[a].push_back("c" + std::to_string(a) + "_" + std::to_string(j) + "=v; Path=/");
    }
  }
  size_t a = 0;
  for (auto _ : state) {
    jar.TakeAnswer(url, answers[a++ % answers.size()]);
    benchmark::DoNotOptimize(jar.CookieLineFor(url));
  }
  state.counters["held"] = static_cast<double>(jar.Count());
  state.SetItemsProcessed(state.iterations() * kCookiesPerAnswer);
}

}  // namespace

BENCHMARK(BM_JarFloodedPictures)->Iterations(60)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_CurlEngineFloodedPictures)->Iterations(60)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_JarFloodedPictures)->Iterations(600)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_CurlEngineFloodedPictures)->Iterations(600)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_JarTakesAFlood)->Unit(benchmark::kMicrosecond);

BENCHMARK_MAIN();
