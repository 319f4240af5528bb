#include "net/curl_shares.h"

#include <mutex>

namespace albumdl::net_internal {
namespace {

// One mutex per kind of shared data, so a name lookup never waits for a TLS
// session being stored.
struct ShareLocks {
  std::mutex byKind[CURL_LOCK_DATA_LAST];
};

void LockShare(CURL*, curl_lock_data kind, curl_lock_access, void* locks) {
  static_cast<ShareLocks*>(locks)->byKind[kind].lock();
}

void UnlockShare(CURL*, curl_lock_data kind, void* locks) {
  static_cast<ShareLocks*>(locks)->byKind[kind].unlock();
}

void InitialiseCurlOnce() {
  static std::once_flag once;
  std::call_once(once, [] { curl_global_init(CURL_GLOBAL_DEFAULT); });
}

// Shares and their locks are never freed: easy handles kept by threads are
// cleaned up at thread exit, which may come after static destruction, and a
// share must outlive every handle attached to it.
CURLSH* MakeShare() {
  InitialiseCurlOnce();
  auto* locks = new ShareLocks;
  CURLSH* share = curl_share_init();
  curl_share_setopt(share, CURLSHOPT_LOCKFUNC, LockShare);
  curl_share_setopt(share, CURLSHOPT_UNLOCKFUNC, UnlockShare);
  curl_share_setopt(share, CURLSHOPT_USERDATA, locks);
  curl_share_setopt(share, CURLSHOPT_SHARE, CURL_LOCK_DATA_DNS);
  curl_share_setopt(share, CURLSHOPT_SHARE, CURL_LOCK_DATA_SSL_SESSION);
  return share;
}

}  // namespace

CURLSH* PlainShare() {
  static CURLSH* const share = MakeShare();
  return share;
}

}  // namespace albumdl::net_internal
