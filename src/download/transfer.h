// The resumable transfer: one HTTP GET whose body goes into a local file, from scratch or
// appended to a partial file after a byte-range request, with a progress report per chunk.
#pragma once

#include <cstdint>
#include <functional>

#include "lookup/text.h"
#include "platform/window/window_port.h"

namespace rudiruza {

// total: offset plus the announced length (offset alone when none was announced); done: bytes
// of the resource in the local file; elapsedMs: since the first read (10 in place of 0);
// newBytes: received by this transfer.
using ProgressCallback = std::function<void(std::int64_t total, std::int64_t done,
                                            std::int64_t elapsedMs, std::int64_t newBytes)>;

// The most the transfer takes from the network per read; progress is reported after each.
inline constexpr std::size_t kTransferChunk = 10240;

// Fetches url into localPath (GB18030). resume: append to localPath, asking for the resource
// from byte offset on (offset being the partial file's size); otherwise create or empty it.
// Returns 0 once the whole body is in the file, -1 after a failure, which it has shown in a
// message box of window. A stop request of the calling thread ends it between reads, with
// everything received in the file and no message; the result is then -1.
int DownloadFile(WindowPort& window, const Text& url, const Text& localPath,
                 const ProgressCallback& progress, std::int64_t offset, bool resume);

}  // namespace rudiruza
