// The HTTP side of kavo-service: routes, limits, logging, start and stop.
#pragma once

#include <memory>
#include <string>

#include <httplib.h>

#include "catalogue.h"
#include "options.h"
#include "sessions.h"

namespace rudiruza::service {

class KavoServer {
 public:
  KavoServer(ServiceOptions options, Catalogue catalogue);

  // Binds the listening socket. False, with a message, when the address cannot be used.
  bool Bind(std::string* error);
  int Port() const { return port_; }
  // Serves until Stop; false if serving could not start.
  bool Run();
  // Safe from any thread; ends Run once its accept loop runs (see Listening).
  void Stop();
  // Whether Run's accept loop has started: a Stop before that does nothing.
  bool Listening() const;

 private:
  std::string BaseFor(const httplib::Request& request) const;
  void ServeFrontPage(const httplib::Request& request, httplib::Response& response);
  void ServePicture(const httplib::Request& request, httplib::Response& response);
  void ServeQuery(const httplib::Request& request, const std::string& body,
                  httplib::Response& response);
  void ServeFile(const httplib::Request& request, httplib::Response& response,
                 const std::string& id);
  // The session of the request's cookie, or a new one announced with Set-Cookie.
  std::string SessionFor(const httplib::Request& request, httplib::Response& response);

  ServiceOptions options_;
  Catalogue catalogue_;
  SessionStore sessions_;
  httplib::Server server_;
  int port_ = 0;
};

}  // namespace rudiruza::service
