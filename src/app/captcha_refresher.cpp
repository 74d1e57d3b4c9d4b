#include "app/captcha_refresher.h"

#include "lookup/captcha.h"
#include "platform/stop/stop.h"

namespace rudiruza {

CaptchaRefresher::~CaptchaRefresher() {
  std::vector<Fetch> fetches;
  {
    std::lock_guard lock(mutex_);
    fetches.swap(fetches_);
  }
  for (auto& fetch : fetches) fetch.thread.request_stop();
  // Each jthread joins when it goes.
}

void CaptchaRefresher::Refresh() {
  std::lock_guard lock(mutex_);
  // Only a few fetches can be under way at once (each click starts one); the threads of
  // finished ones are reaped here.
  std::erase_if(fetches_, [](const Fetch& fetch) { return fetch.done->load(); });
  auto done = std::make_shared<std::atomic<bool>>(false);
  fetches_.push_back({done, std::jthread([this, done](std::stop_token stop) {
                        ThreadStopScope scope(stop);
                        RefreshCaptcha(window_);
                        done->store(true);
                      })});
}

}  // namespace rudiruza
