// One line per request on stderr: method, path, status, body bytes sent, milliseconds. A
// connection is served by one thread from request to log line, so the figures of the request in
// progress live in thread-local storage.
#pragma once

#include <cstddef>

#include <httplib.h>

namespace rudiruza::service {

// Marks the start of a request's handling.
void BeginRequest();
// Counts body bytes that a streamed answer has written.
void CountSentBytes(size_t bytes);
// Writes the line (one write, so that lines of concurrent requests never mix).
void LogRequest(const httplib::Request& request, const httplib::Response& response);
// A line of its own, for start-up and shut-down.
void LogLine(const std::string& text);

}  // namespace rudiruza::service
