// The stop request of the job that runs on this thread.
//
// A job thread installs its std::stop_token once; every blocking step below it (network calls,
// the transfer loop, message boxes) asks StopRequested() instead of taking a token parameter, so
// the operations keep their plain signatures.
#pragma once

#include <stop_token>

namespace rudiruza {

// Installs token for the calling thread for the lifetime of the guard.
class ThreadStopScope {
 public:
  explicit ThreadStopScope(std::stop_token token);
  ~ThreadStopScope();
  ThreadStopScope(const ThreadStopScope&) = delete;
  ThreadStopScope& operator=(const ThreadStopScope&) = delete;

 private:
  std::stop_token previous_;
};

// The calling thread's token; a token that never stops when none is installed.
std::stop_token ThreadStopToken();
bool StopRequested();

}  // namespace rudiruza
