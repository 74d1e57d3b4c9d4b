// The progress display: five statistics labels and the bar of the main window, recomputed from
// the transfer's counts after every chunk.
#pragma once

#include <cstdint>

#include "platform/window/window_port.h"

namespace rudiruza {

// total: size of the whole resource (0 when unknown); done: bytes in the local file, those from
// before a resume included; elapsedMs: since the transfer started (at least 1); newBytes: bytes
// received by this transfer alone. Keeps nothing between calls.
void ShowProgress(WindowPort& window, std::int64_t total, std::int64_t done, std::int64_t elapsedMs,
                  std::int64_t newBytes);

}  // namespace rudiruza
