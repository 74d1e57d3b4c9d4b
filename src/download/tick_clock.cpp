#include "download/tick_clock.h"

#include <atomic>
#include <ctime>

namespace rudiruza {
namespace {
std::atomic<TickSource*> installedSource{nullptr};
}

std::uint32_t TickCount() {
  if (TickSource* source = installedSource.load(std::memory_order_acquire)) return source->Now();
  timespec now{};
  clock_gettime(CLOCK_BOOTTIME, &now);
  const auto ms = static_cast<std::uint64_t>(now.tv_sec) * 1000u +
                  static_cast<std::uint64_t>(now.tv_nsec) / 1000000u;
  return static_cast<std::uint32_t>(ms);
}

ScopedTickSource::ScopedTickSource(TickSource& source)
    : previous_(installedSource.exchange(&source, std::memory_order_acq_rel)) {}

ScopedTickSource::~ScopedTickSource() {
  installedSource.store(previous_, std::memory_order_release);
}

}  // namespace rudiruza
