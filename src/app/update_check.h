// The update notice: the maker's version page names the newest version of each
// program between "#" + key word + "@@" and "#" + key word; the window compares
// ours with it. The check runs off the window thread; its verdict comes back
// on the window thread.
#pragma once

#include <QObject>
#include <atomic>
#include <functional>
#include <memory>
#include <thread>
#include <vector>

#include "net/cookie_jar.h"
#include "net/http_result.h"
#include "text/text.h"

namespace albumdl::app {

struct UpdateVerdict {
  enum class Result {
    kLeave,     // the verdict label keeps what it had
    kUpToDate,  // 无需更新
    kNewer,     // 有新版，联系客服获取最新版！ and a message box
    kFailed,    // no version to compare with: the page or its entry is missing
  };
  Text latest;  // for 标签_zxbanben; empty when the page or the entry was missing
  Result result = Result::kLeave;
  Text failure;  // kFailed: why, in words for the label (code page 936)
};

// Judges the page text (code page 936, as fetched) against the current version.
// Only the whole-number part before the first point counts as newer.
UpdateVerdict JudgeUpdate(const Text& pageText, const Text& current, const Text& keyWord);
// The same for the answer of the version page: a fetch that failed, an error
// status or a page without this program's entry fail the check, with the
// reason.
UpdateVerdict JudgeVersionAnswer(const HttpResult& answer, const Text& current,
                                 const Text& keyWord);

// The version page as fetched. With the session's jar it carries the cookies
// the jar holds for the page's own host, as the viewer's would (none of the
// site's when the page is on another host).
HttpResult FetchVersionPage(const Text& url, CookieJar* jar = nullptr);

class UpdateChecker : public QObject {
 public:
  using VerdictHandler = std::function<void(const UpdateVerdict&)>;
  // handler runs on the thread that owns the checker (the window thread).
  explicit UpdateChecker(VerdictHandler handler, QObject* parent = nullptr);
  ~UpdateChecker() override;  // aborts the fetches under way and waits for them

  // Starts one check on a thread of its own; checks may overlap, and the
  // verdicts come back in the order they are reached. The jar, when given,
  // must outlive the checker.
  void Start(const Text& versionPage, const Text& current, const Text& keyWord,
             CookieJar* jar = nullptr);
  int Started() const { return started_; }
  // Checks whose verdict has not come back yet.
  int Pending() const { return started_ - answered_; }

 private:
  struct Check {
    std::thread thread;
    std::shared_ptr<std::atomic<bool>> done;
  };
  VerdictHandler handler_;
  std::atomic<bool> closing_{false};
  std::vector<Check> checks_;
  int started_ = 0;
  int answered_ = 0;
};

}  // namespace albumdl::app
