#include "app/update_check.h"

#include <QString>
#include <string>
#include <utility>

#include "app/qt_text.h"

#include "control/transfer_abort.h"
#include "net/web_request.h"

namespace albumdl::app {

UpdateVerdict JudgeUpdate(const Text& pageText, const Text& current, const Text& keyWord) {
  UpdateVerdict verdict;
  verdict.latest = TextBetween(pageText, "#" + keyWord + "@@", "#" + keyWord);
  if (verdict.latest == current) {
    verdict.result = UpdateVerdict::Result::kUpToDate;
  } else if (static_cast<double>(TextToInt(verdict.latest)) -
                 static_cast<double>(TextToInt(current)) >
             0.0000001) {
    verdict.result = UpdateVerdict::Result::kNewer;
  }
  return verdict;
}

UpdateVerdict JudgeVersionAnswer(const HttpResult& answer, const Text& current,
                                 const Text& keyWord) {
  UpdateVerdict verdict;
  if (!answer.Completed()) {
    verdict.result = UpdateVerdict::Result::kFailed;
    verdict.failure = FailureText(answer.failure);
    return verdict;
  }
  if (answer.statusCode < 200 || answer.statusCode > 299) {
    verdict.result = UpdateVerdict::Result::kFailed;
    verdict.failure = "HTTP " + std::to_string(answer.statusCode);
    return verdict;
  }
  // The page is read in the local code page, as it comes.
  verdict = JudgeUpdate(answer.body, current, keyWord);
  if (verdict.latest.empty() && verdict.result != UpdateVerdict::Result::kUpToDate) {
    verdict.result = UpdateVerdict::Result::kFailed;
    verdict.failure = ToText(QString::fromUtf8("版本页面上没有本程序的版本"));
  }
  return verdict;
}

// The page is a plain GET with the default header lines, no cookie text of its
// own and no post data; like every other request it may bring only so much,
// and take only so long.
HttpResult FetchVersionPage(const Text& url, CookieJar* jar) {
  return WebRequest({.url = url, .limits = kVersionPageLimits, .jar = jar});
}

UpdateChecker::UpdateChecker(VerdictHandler handler, QObject* parent)
    : QObject(parent), handler_(std::move(handler)) {}

UpdateChecker::~UpdateChecker() {
  closing_ = true;
  for (Check& check : checks_) check.thread.join();
}

void UpdateChecker::Start(const Text& versionPage, const Text& current, const Text& keyWord,
                          CookieJar* jar) {
  // Checks that are over leave their threads to be joined here.
  for (auto it = checks_.begin(); it != checks_.end();) {
    if (*it->done) {
      it->thread.join();
      it = checks_.erase(it);
    } else {
      ++it;
    }
  }
  ++started_;
  auto done = std::make_shared<std::atomic<bool>>(false);
  std::thread thread([this, done, versionPage, current, keyWord, jar] {
    {
      // Closing the window aborts the fetch, so the program never waits for it.
      TransferAbortGuard abortOnClose([this] { return closing_.load(); });
      const UpdateVerdict verdict =
          JudgeVersionAnswer(FetchVersionPage(versionPage, jar), current, keyWord);
      // Posted to this object: dropped if the checker is gone before it runs.
      if (!closing_)
        QMetaObject::invokeMethod(
            this,
            [this, verdict] {
              ++answered_;
              handler_(verdict);
            },
            Qt::QueuedConnection);
    }
    *done = true;
  });
  checks_.push_back({std::move(thread), std::move(done)});
}

}  // namespace albumdl::app
