// The concrete root and connection handles, shared by the files of this layer.
#pragma once

#include <optional>
#include <string>

#include "platform/inet/inet.h"

namespace rudiruza::inet {

class RootHandle final : public Root {
 public:
  RootHandle(Text agent, Access access, Text proxy)
      : agent_(std::move(agent)), access_(access), proxy_(std::move(proxy)) {}

  const Text& Agent() const { return agent_; }

  void SetTimeout(Timeout which, std::uint32_t milliseconds) override {
    timeouts_[static_cast<int>(which)] = milliseconds;
  }
  std::uint32_t TimeoutOf(Timeout which) const { return timeouts_[static_cast<int>(which)]; }

  // The proxy for a request of that scheme: nothing for the environment's settings, an empty
  // text for none, else a proxy address for libcurl.
  std::optional<std::string> ProxyFor(const std::string& scheme) const;

 private:
  Text agent_;
  Access access_;
  Text proxy_;
  std::uint32_t timeouts_[3] = {60000, 30000, 30000};  // connect, receive, send
};

class ConnectionHandle final : public Connection {
 public:
  ConnectionHandle(RootHandle& root, Text host, int port, Text user, Text password)
      : root_(root),
        host_(std::move(host)),
        port_(port),
        user_(std::move(user)),
        password_(std::move(password)) {}

  RootHandle& Root() const { return root_; }
  const Text& Host() const { return host_; }
  int Port() const { return port_; }
  const Text& User() const { return user_; }
  const Text& Password() const { return password_; }

 private:
  RootHandle& root_;
  Text host_;
  int port_;
  Text user_;
  Text password_;
};

}  // namespace rudiruza::inet
