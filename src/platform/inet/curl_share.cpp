#include "platform/inet/curl_share.h"

#include <mutex>

namespace rudiruza::inet {
namespace {

struct Share {
  CURLSH* handle = nullptr;
  std::mutex locks[CURL_LOCK_DATA_LAST];  // one per kind of data, as libcurl asks
};

void Lock(CURL*, curl_lock_data data, curl_lock_access, void* user) {
  static_cast<Share*>(user)->locks[data].lock();
}

void Unlock(CURL*, curl_lock_data data, void* user) {
  static_cast<Share*>(user)->locks[data].unlock();
}

Share* MakeShare() {
  curl_global_init(CURL_GLOBAL_DEFAULT);
  auto* share = new Share;  // never freed: easy handles may still use it at exit
  share->handle = curl_share_init();
  curl_share_setopt(share->handle, CURLSHOPT_LOCKFUNC, Lock);
  curl_share_setopt(share->handle, CURLSHOPT_UNLOCKFUNC, Unlock);
  curl_share_setopt(share->handle, CURLSHOPT_USERDATA, share);
  curl_share_setopt(share->handle, CURLSHOPT_SHARE, CURL_LOCK_DATA_COOKIE);
  curl_share_setopt(share->handle, CURLSHOPT_SHARE, CURL_LOCK_DATA_DNS);
  curl_share_setopt(share->handle, CURLSHOPT_SHARE, CURL_LOCK_DATA_SSL_SESSION);
  // Not CURL_LOCK_DATA_CONNECT: libcurl's shared connection cache is not safe across threads
  // (a known libcurl bug), and two requests may run on two threads at once.
  return share;
}

}  // namespace

CURLSH* ProcessShare() {
  static Share* share = MakeShare();
  return share->handle;
}

}  // namespace rudiruza::inet
