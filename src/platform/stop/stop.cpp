#include "platform/stop/stop.h"

#include <utility>

namespace rudiruza {
namespace {
thread_local std::stop_token currentToken;
}

ThreadStopScope::ThreadStopScope(std::stop_token token)
    : previous_(std::exchange(currentToken, std::move(token))) {}

ThreadStopScope::~ThreadStopScope() { currentToken = std::move(previous_); }

std::stop_token ThreadStopToken() { return currentToken; }

bool StopRequested() { return currentToken.stop_requested(); }

}  // namespace rudiruza
