#include "net/proxy.h"

#include <mutex>

namespace albumdl {
namespace {

std::mutex& ProxyMutex() {
  static std::mutex mutex;
  return mutex;
}

Text& ProxyText() {
  static Text proxy;
  return proxy;
}

}  // namespace

void SetDefaultProxy(const Text& proxy) {
  std::lock_guard lock(ProxyMutex());
  ProxyText() = proxy;
}

Text DefaultProxy() {
  std::lock_guard lock(ProxyMutex());
  return ProxyText();
}

}  // namespace albumdl
