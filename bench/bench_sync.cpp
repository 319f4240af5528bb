// What a sync run and the one-copy switch save, measured on the command line
// against the stand-in site on loopback.
//
// Sync: a board of 10,000 pins (newest first, as boards list them) is
// downloaded once; then it is run again over the same save folder and program
// directory with --skip-downloaded (every page fetched, every id looked up, no
// picture), with --sync (the board's answer and its newest page), and, after 5
// pins were added on top, with --sync again (those 5 pictures). For each: the
// requests the site saw (album answers, pages, pictures) and the wall time of
// the whole program.
//
// One copy: 5 boards of 400 pictures of 50 kB each; 120 pictures of each board
// (30 %) are the same 120 pictures (the same keys on the image host), the rest
// the board's own. All 5 are downloaded in one run without and with
// --link-duplicates, each into a fresh save folder: the picture bytes the site
// sent, the files in the albums and the bytes they take on the disk (the
// blocks of every distinct file, as du counts them).
//
//   build/default/bench/bench_sync [--albumdl PATH] [--pace P] [--latency MS]
//                                  [--part sync|link|both]
//
// --pace multiplies albumdl's pauses between requests in the measured runs (0
// by default: none; the first download of the sync board always runs without);
// --latency delays every answer of the site, as a slow network would.
#include <sys/stat.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "demo_site.h"

namespace {

namespace fs = std::filesystem;

constexpr int kBoardPins = 10000;
constexpr int kGrownPins = 5;
constexpr int kSharingBoards = 5;
constexpr int kPinsPerSharingBoard = 400;
constexpr int kSharedPins = 120;  // of each sharing board's 400: 30 %
constexpr size_t kPictureBytes = 50 * 1024;

struct Options {
  std::string albumdl = ALBUMDL_PROGRAM;
  std::string pace = "0";
  int latencyMs = 0;
  std::string part = "both";  // sync, link or both
};

// A folder of its own under TMPDIR (else /tmp), removed at the end.
class Scratch {
 public:
  Scratch() {
    const char* tmp = std::getenv("TMPDIR");
    std::string pattern = std::string(tmp && *tmp ? tmp : "/tmp") + "/albumdl-bench-sync-XXXXXX";
    if (::mkdtemp(pattern.data()) != nullptr) root_ = pattern;
  }
  ~Scratch() {
    std::error_code error;
    fs::remove_all(root_, error);
  }
  bool ok() const { return !root_.empty(); }
  std::string Folder(const std::string& name) const {
    const std::string folder = root_ + "/" + name;
    fs::create_directories(folder);
    return folder;
  }

 private:
  std::string root_;
};

std::string Quoted(const std::string& text) {
  std::string quoted = "'";
  for (char c : text) quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return quoted + "'";
}

// Runs albumdl over the addresses; its exit status and wall time.
struct RunResult {
  int status = -1;
  double seconds = 0;
};

RunResult RunAlbumdl(const Options& options, const std::string& pace,
                     const demosite::DemoSite& site, const std::string& out,
                     const std::string& home, const std::vector<std::string>& extra,
                     const std::vector<std::string>& addresses) {
  std::string command = Quoted(options.albumdl) + " --pace " + pace + " --all -q --site " +
                        site.SiteHost() + " --image-host " + site.ImageHost() + " -o " +
                        Quoted(out) + " --home " + Quoted(home);
  for (const std::string& option : extra) command += " " + option;
  for (const std::string& address : addresses) command += " " + Quoted(address);
  command += " > /dev/null 2>&1";
  const auto start = std::chrono::steady_clock::now();
  const int status = std::system(command.c_str());
  RunResult result;
  result.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  result.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  return result;
}

struct Requests {
  int answers = 0;   // a board's answer, which the album list is made from
  int pages = 0;     // the board's pages, the newest (max= empty) first
  int pictures = 0;  // /img/
  unsigned long long pictureBytes = 0;
};

// The requests the site kept since the last ClearRequests. A board's page
// names the pin it follows (max=, empty for the newest page); its answer does not.
Requests CountRequests(const demosite::DemoSite& site,
                       const std::map<std::string, size_t>& pictureSizes) {
  Requests counted;
  for (const demosite::RequestRecord& request : site.Requests()) {
    const std::string& target = request.target;
    if (target.rfind("/img/", 0) == 0) {
      ++counted.pictures;
      const auto size = pictureSizes.find(target.substr(5));
      counted.pictureBytes += size != pictureSizes.end()
                                  ? size->second
                                  : demosite::DemoSite::PictureBytes(target.substr(5)).size();
    } else if (target.rfind("/boards/", 0) == 0) {
      ++(target.find("max=") == std::string::npos ? counted.answers : counted.pages);
    }
  }
  return counted;
}

struct DiskUse {
  int files = 0;
  unsigned long long bytes = 0;      // the files' sizes, a linked file once per name
  unsigned long long diskBytes = 0;  // the blocks of each distinct file once
};

DiskUse DiskUseOf(const std::string& folder) {
  DiskUse use;
  std::set<std::pair<unsigned long long, unsigned long long>> seen;  // device, inode
  for (const auto& entry : fs::recursive_directory_iterator(folder)) {
    if (!entry.is_regular_file()) continue;
    struct stat info {};
    if (::stat(entry.path().c_str(), &info) != 0) continue;
    ++use.files;
    use.bytes += static_cast<unsigned long long>(info.st_size);
    if (seen.insert({info.st_dev, info.st_ino}).second) {
      use.diskBytes += static_cast<unsigned long long>(info.st_blocks) * 512;
    }
  }
  return use;
}

// A JPEG of about kPictureBytes: the stand-in site's small JPEG for the key
// with a comment segment of padding after its start marker.
std::string BigJpeg(const std::string& key) {
  const std::string small = demosite::DemoSite::PictureBytes(key);
  const size_t padding = kPictureBytes > small.size() + 4 ? kPictureBytes - small.size() - 4 : 0;
  const size_t length = padding + 2;  // the segment's length counts its own two bytes
  std::string comment = "\xFF\xFE";
  comment += static_cast<char>((length >> 8) & 0xFF);
  comment += static_cast<char>(length & 0xFF);
  comment += std::string(padding, 'x');
  return small.substr(0, 2) + comment + small.substr(2);
}

void PrintRun(const char* what, const RunResult& run, const Requests& requests) {
  std::printf("| %s | %d | %d | %d | %.2f | %d |\n", what, requests.answers, requests.pages,
              requests.pictures, run.seconds, run.status);
}

bool SyncFigures(const Options& options, const Scratch& scratch) {
  demosite::DemoSite site(/*empty=*/true);
  demosite::Board board;
  board.id = "big";
  board.title = "big";
  for (int i = 0; i < kBoardPins; ++i) {
    const long long id = 900000000LL + kBoardPins - i;  // newest first
    board.pins.push_back({id, "s" + std::to_string(id) + ".jpg", "image/jpeg"});
  }
  site.AddBoard(board);
  site.SetLatency(options.latencyMs);
  site.KeepRequests(4 * kBoardPins);
  if (!site.Start()) return false;
  const std::string out = scratch.Folder("sync-out"), home = scratch.Folder("sync-home");
  const std::vector<std::string> address = {site.SiteHost() + "/boards/big/"};
  const std::map<std::string, size_t> sizes;

  std::printf("\nSync: a board of %d pins, --pace %s, latency %d ms\n\n", kBoardPins,
              options.pace.c_str(), options.latencyMs);
  std::printf("| run | album answers | pages | pictures | seconds | exit |\n");
  std::printf("|---|---:|---:|---:|---:|---:|\n");
  const auto measured = [&](const char* what, const std::vector<std::string>& extra,
                            const std::string& pace) {
    site.ClearRequests();
    const RunResult run = RunAlbumdl(options, pace, site, out, home, extra, address);
    PrintRun(what, run, CountRequests(site, sizes));
    return run.status == 0;
  };
  // The first download only sets the scene: always without pauses.
  bool ok = measured("first download (--pace 0)", {}, "0");
  ok = measured("rerun --skip-downloaded", {"--skip-downloaded"}, options.pace) && ok;
  ok = measured("rerun --sync", {"--sync"}, options.pace) && ok;
  site.GrowBoard("big", kGrownPins);
  ok = measured("rerun --sync, 5 new pins on top", {"--sync"}, options.pace) && ok;
  site.GrowBoard("big", kGrownPins);
  ok =
      measured("rerun --skip-downloaded, 5 new pins on top", {"--skip-downloaded"}, options.pace) &&
      ok;
  return ok;
}

bool LinkFigures(const Options& options, const Scratch& scratch) {
  demosite::DemoSite site(/*empty=*/true);
  std::map<std::string, size_t> sizes;
  const auto addPicture = [&](const std::string& key) {
    if (sizes.count(key)) return;
    demosite::RawAnswer answer;
    answer.headers = {{"Content-Type", "image/jpeg"}};
    answer.body = BigJpeg(key);
    sizes[key] = answer.body.size();
    site.SetRawAnswer("/img/" + key, std::move(answer));
  };
  std::vector<std::string> addresses;
  for (int b = 0; b < kSharingBoards; ++b) {
    demosite::Board board;
    board.id = "share" + std::to_string(b);
    board.title = board.id;
    for (int i = 0; i < kPinsPerSharingBoard; ++i) {
      const long long id = 800000000LL + b * 10000LL + kPinsPerSharingBoard - i;
      // Every third-or-so pin of each board is one of the shared pictures.
      const bool shared = i % 10 < 3;
      const std::string key = shared ? "shared" + std::to_string(i / 10 * 3 + i % 10) + ".jpg"
                                     : "own" + std::to_string(id) + ".jpg";
      addPicture(key);
      board.pins.push_back({id, key, "image/jpeg"});
    }
    site.AddBoard(board);
  }
  site.SetLatency(options.latencyMs);
  site.KeepRequests(4 * kSharingBoards * kPinsPerSharingBoard);
  if (!site.Start()) return false;
  for (int b = 0; b < kSharingBoards; ++b)
    addresses.push_back(site.SiteHost() + "/boards/share" + std::to_string(b) + "/");

  std::printf(
      "\nOne copy: %d boards of %d pictures of %zu kB, %d of each board's pictures "
      "the same %d pictures, --pace %s\n\n",
      kSharingBoards, kPinsPerSharingBoard, kPictureBytes / 1024, kSharedPins, kSharedPins,
      options.pace.c_str());
  std::printf(
      "| run | pictures fetched | bytes fetched | files saved | bytes in the files | "
      "bytes on the disk | seconds | exit |\n");
  std::printf("|---|---:|---:|---:|---:|---:|---:|---:|\n");
  bool ok = true;
  for (const bool link : {false, true}) {
    const std::string name = link ? "link" : "plain";
    const std::string out = scratch.Folder(name + "-out"), home = scratch.Folder(name + "-home");
    site.ClearRequests();
    const RunResult run =
        RunAlbumdl(options, options.pace, site, out, home,
                   {link ? "--link-duplicates" : "--no-link-duplicates"}, addresses);
    const Requests requests = CountRequests(site, sizes);
    const DiskUse use = DiskUseOf(out);
    std::printf("| %s | %d | %llu | %d | %llu | %llu | %.2f | %d |\n",
                link ? "--link-duplicates" : "plain", requests.pictures, requests.pictureBytes,
                use.files, use.bytes, use.diskBytes, run.seconds, run.status);
    ok = ok && run.status == 0;
  }
  return ok;
}

}  // namespace

int main(int argc, char** argv) {
  Options options;
  for (int i = 1; i + 1 < argc; i += 2) {
    const std::string name = argv[i], value = argv[i + 1];
    if (name == "--albumdl") {
      options.albumdl = value;
    } else if (name == "--pace") {
      options.pace = value;
    } else if (name == "--part" && (value == "sync" || value == "link" || value == "both")) {
      options.part = value;
    } else if (name == "--latency") {
      options.latencyMs = std::atoi(value.c_str());
    } else {
      std::fprintf(stderr, "bench_sync: unknown option %s\n", name.c_str());
      return 2;
    }
  }
  Scratch scratch;
  if (!scratch.ok()) {
    std::fprintf(stderr, "bench_sync: no scratch folder\n");
    return 1;
  }
  const bool syncOk = options.part == "link" || SyncFigures(options, scratch);
  const bool linkOk = options.part == "sync" || LinkFigures(options, scratch);
  if (!syncOk || !linkOk) std::fprintf(stderr, "bench_sync: a run did not end with status 0\n");
  return syncOk && linkOk ? 0 : 1;
}
