// Captcha refreshes for the window: off the window's thread, so a slow or silent service never
// freezes it. Refreshes may overlap; the one that finishes last sets the picture.
#pragma once

#include <atomic>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

#include "platform/window/window_port.h"

namespace rudiruza {

class CaptchaRefresher {
 public:
  explicit CaptchaRefresher(WindowPort& window) : window_(window) {}
  // Stops the fetches still under way (they return within a moment) and waits for them.
  ~CaptchaRefresher();
  CaptchaRefresher(const CaptchaRefresher&) = delete;
  CaptchaRefresher& operator=(const CaptchaRefresher&) = delete;

  void Refresh();

 private:
  struct Fetch {
    std::shared_ptr<std::atomic<bool>> done;
    std::jthread thread;
  };

  WindowPort& window_;
  std::mutex mutex_;  // guards fetches_
  std::vector<Fetch> fetches_;
};

}  // namespace rudiruza
