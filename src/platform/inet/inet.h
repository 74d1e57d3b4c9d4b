// A small HTTP client with the semantics of the Windows Internet API, on libcurl.
//
// Root, Connection and Request are the three handle kinds; each closes itself when destroyed.
// Every request of the process shares one cookie store, DNS cache and TLS session cache.
// Redirects are followed (http and https only). Every blocking call returns early, as a
// failure, when the calling thread's stop request (platform/stop) is set; a wait is never
// longer than a few tens of milliseconds between two looks at it.
//
// Use:
//   auto root = inet::Root::Open(agent, inet::Access::kPreconfig);
//   auto request = inet::Request::OpenUrl(*root, url, headers, flags);  // null: no answer
//   // or: Connection::Open(*root, host, port), Request::Open(...), SetTimeout, Send(...)
//   request->StatusCode(); request->ContentLength(); request->Header("Content-Range");
//   char chunk[10240];
//   for (std::int64_t n; (n = request->Read(chunk, sizeof chunk)) > 0;) { ... }  // 0: end, -1:
//   failed
//
// What goes out: the request line, "Host", the root's User-Agent (unless the caller's lines
// give one), "Cookie" when the store has cookies for the address, then the caller's lines in
// their order, then "Content-Length" for a body when the caller's lines give none. libcurl's
// own "Accept", "Expect" and form "Content-Type" lines are never added.
//
// Reads are cheap: libcurl fills a receive buffer of a few hundred KiB and Read copies out of
// it, at most the size asked, driving the network only when the buffer is empty.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>

#include "lookup/text.h"

namespace rudiruza::inet {

enum class Access {
  kDirect,     // no proxy
  kProxy,      // the proxy given to Root::Open
  kPreconfig,  // the system's settings: on Linux the proxy environment variables
};

// Request flags, with WinInet's values.
inline constexpr std::uint32_t kFlagReload = 0x80000000;         // never answer from a cache
inline constexpr std::uint32_t kFlagDontCache = 0x04000000;      // never store into a cache
inline constexpr std::uint32_t kFlagPragmaNoCache = 0x00000100;  // ask proxies not to cache
inline constexpr std::uint32_t kFlagSecure = 0x00800000;         // https

enum class Timeout { kConnect, kReceive, kSend };

class Root {
 public:
  // agent is the User-Agent of the requests made under this root. proxy is "host:port" (kProxy).
  static std::unique_ptr<Root> Open(const Text& agent, Access access, const Text& proxy = Text());
  virtual ~Root() = default;

  // The time-outs of the requests opened later under this root (each request can still set
  // its own). Defaults: connect 60 s, receive and send 30 s.
  virtual void SetTimeout(Timeout which, std::uint32_t milliseconds) = 0;
};

class Connection {
 public:
  // Remembers where to connect; the connection itself is made by the request.
  static std::unique_ptr<Connection> Open(Root& root, const Text& host, int port,
                                          const Text& user = Text(), const Text& password = Text());
  virtual ~Connection() = default;
};

class Request {
 public:
  // A request to be sent with Send. object is the path and query; version "HTTP/1.1" or
  // "HTTP/1.0".
  static std::unique_ptr<Request> Open(Connection& connection, const Text& verb, const Text& object,
                                       const Text& version, std::uint32_t flags);

  // A GET of an absolute http or https address with the given extra header lines (separated
  // by CR LF, the last one with or without it), sent at once; returns when the response's
  // headers have arrived, or null when no response came.
  static std::unique_ptr<Request> OpenUrl(Root& root, const Text& url, const Text& headers,
                                          std::uint32_t flags);

  virtual ~Request() = default;

  virtual void SetTimeout(Timeout which, std::uint32_t milliseconds) = 0;

  // Sends the request with the extra header lines and the body; true when the response's
  // headers have arrived.
  virtual bool Send(const Text& headers, const std::string& body) = 0;

  // Up to size bytes of the body (decoded when it is gzip- or deflate-encoded and the request
  // offered those encodings). Returns the count, 0 at the end of the body, -1 on a failure:
  // a broken connection, a body shorter than its Content-Length, a time-out or a stop request.
  virtual std::int64_t Read(void* buffer, std::size_t size) = 0;

  // Of the final response (after redirects).
  virtual int StatusCode() const = 0;
  virtual std::optional<std::int64_t> ContentLength() const = 0;
  // The status line and header lines, each ending in CR LF, then an empty line.
  virtual Text RawHeaders() const = 0;
  // The value of the last header of that name (compared without regard to case), or empty.
  virtual Text Header(const Text& name) const = 0;
  // The Content-Encoding the server applied, lower-cased, or empty.
  virtual Text ContentEncoding() const = 0;
};

}  // namespace rudiruza::inet
