// Picture fetching from the stand-in site on loopback: WinHttpRequest, which
// keeps its connections between calls, against the same request made with a
// fresh connection each time (libcurl told not to reuse). A board of 1,000
// pictures must cost one connection, not 1,000; the "connections" counter
// shows how many the site saw.
#include <benchmark/benchmark.h>
#include <curl/curl.h>

#include <string>

#include "demo_site.h"
#include "net/winhttp_request.h"

namespace {

// One site for the whole program, started on first use.
demosite::DemoSite& Site() {
  static demosite::DemoSite* site = [] {
    auto* s = new demosite::DemoSite;
    s->KeepRequests();
    s->Start(0);
    return s;
  }();
  return *site;
}

std::string PictureUrl(int i) {
  return Site().ImageHost() + "/k250-" + std::to_string(i % 250 + 1) + ".png";
}

void BM_WinHttpRequestPicture(benchmark::State& state) {
  Site().ClearRequests();
  int i = 0;
  for (auto _ : state) {
    const albumdl::HttpResult picture =
        albumdl::WinHttpRequest({.url = PictureUrl(i++),
                                 .headers = "Referer: " + Site().SiteHost() + "/pins/big250/",
                                 .limits = albumdl::kPictureLimits});
    if (picture.statusCode != 200 || picture.body.empty()) {
      state.SkipWithError("picture not fetched");
    }
  }
  state.counters["connections"] = Site().ConnectionCount();
  state.SetItemsProcessed(state.iterations());
}

size_t Discard(char*, size_t size, size_t count, void*) { return size * count; }

void BM_FreshConnectionPicture(benchmark::State& state) {
  Site().ClearRequests();
  int i = 0;
  for (auto _ : state) {
    CURL* curl = curl_easy_init();
    const std::string url = PictureUrl(i++);
    curl_easy_setopt(curl, CURLOPT_URL, url.c_str());
    curl_easy_setopt(curl, CURLOPT_WRITEFUNCTION, Discard);
    curl_easy_setopt(curl, CURLOPT_FORBID_REUSE, 1L);
    if (curl_easy_perform(curl) != CURLE_OK) state.SkipWithError("picture not fetched");
    curl_easy_cleanup(curl);
  }
  state.counters["connections"] = Site().ConnectionCount();
  state.SetItemsProcessed(state.iterations());
}

BENCHMARK(BM_WinHttpRequestPicture)->Iterations(1000);
BENCHMARK(BM_FreshConnectionPicture)->Iterations(1000);

}  // namespace

BENCHMARK_MAIN();
