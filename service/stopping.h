// The service's one stop flag, raised on SIGINT/SIGTERM, and a pause that gives way to it: slow
// answers (delays, rate limits) must not hold the end of the program back.
#pragma once

#include <atomic>
#include <chrono>

namespace rudiruza::service {

std::atomic<bool>& Stopping();

// Sleeps for duration, in short steps; false when the service is stopping.
bool PauseUnlessStopping(std::chrono::steady_clock::duration duration);

}  // namespace rudiruza::service
