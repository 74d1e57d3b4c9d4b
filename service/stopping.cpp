#include "stopping.h"

#include <algorithm>
#include <thread>

namespace rudiruza::service {

std::atomic<bool>& Stopping() {
  static std::atomic<bool> stopping{false};
  return stopping;
}

bool PauseUnlessStopping(std::chrono::steady_clock::duration duration) {
  auto until = std::chrono::steady_clock::now() + duration;
  for (;;) {
    if (Stopping().load()) return false;
    auto now = std::chrono::steady_clock::now();
    if (now >= until) return true;
    std::this_thread::sleep_for(
        std::min<std::chrono::steady_clock::duration>(until - now, std::chrono::milliseconds(50)));
  }
}

}  // namespace rudiruza::service
