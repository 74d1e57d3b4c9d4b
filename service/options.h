// The command line of kavo-service.
#pragma once

#include <string>
#include <vector>

namespace rudiruza::service {

struct ServiceOptions {
  std::string listenHost = "127.0.0.1";
  int listenPort = 8088;
  std::string catalogueDir;    // empty: an empty catalogue
  std::string baseUrl;         // empty: "http://" + the request's Host + "/"
  std::string basePath = "/";  // the path part of baseUrl; the service answers below it
  std::string fixedCaptcha;    // empty: real captchas
  int captchaLifeMs = 5 * 60 * 1000;
  bool exposeAnswers = false;  // picture answers carry the answer in a header (tests only)
  int threads = 64;
  std::string makeSampleDir;  // non-empty: write the sample catalogue there and end
  bool help = false;
};

struct ParsedOptions {
  ServiceOptions options;
  std::string error;  // non-empty: the arguments are unusable
};

ParsedOptions ParseOptions(const std::vector<std::string>& args);

std::string HelpText();

}  // namespace rudiruza::service
