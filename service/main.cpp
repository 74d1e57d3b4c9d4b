// kavo-service: the stand-in resource-info service. See --help.
#include <pthread.h>
#include <signal.h>

#include <atomic>
#include <cstdio>
#include <ctime>
#include <string>
#include <thread>
#include <vector>

#include "captcha.h"
#include "catalogue.h"
#include "options.h"
#include "request_log.h"
#include "sample.h"
#include "server.h"
#include "stopping.h"

using namespace rudiruza::service;

namespace {

int Fail(const std::string& message) {
  std::fprintf(stderr, "kavo-service: %s\n", message.c_str());
  return 2;
}

}  // namespace

int main(int argc, char** argv) {
  ParsedOptions parsed = ParseOptions(std::vector<std::string>(argv + 1, argv + argc));
  if (!parsed.error.empty()) return Fail(parsed.error);
  const ServiceOptions& options = parsed.options;
  if (options.help) {
    std::fputs(HelpText().c_str(), stdout);
    return 0;
  }
  if (!options.makeSampleDir.empty()) {
    std::string error;
    if (!MakeSample(options.makeSampleDir, &error)) return Fail(error);
    std::fprintf(stderr, "kavo-service: sample catalogue written to %s\n",
                 options.makeSampleDir.c_str());
    return 0;
  }

  Catalogue catalogue;
  if (!options.catalogueDir.empty()) {
    std::string error;
    auto loaded = Catalogue::Load(options.catalogueDir, &error);
    if (!loaded) return Fail(error);
    catalogue = std::move(*loaded);
  }
  const size_t resources = catalogue.Size();

  // The signals are taken by one thread with sigwait; every other thread (the library's workers
  // inherit this mask) leaves them alone. A client that goes away must not kill the service.
  sigset_t stopSignals;
  sigemptyset(&stopSignals);
  sigaddset(&stopSignals, SIGINT);
  sigaddset(&stopSignals, SIGTERM);
  pthread_sigmask(SIG_BLOCK, &stopSignals, nullptr);
  signal(SIGPIPE, SIG_IGN);

  KavoServer server(options, std::move(catalogue));
  std::string error;
  if (!server.Bind(&error)) return Fail(error);

  bool v6 = options.listenHost.find(':') != std::string::npos;
  std::string listening = "http://" + (v6 ? "[" + options.listenHost + "]" : options.listenHost) +
                          ":" + std::to_string(server.Port()) + "/";
  std::printf("listening %s\n", listening.c_str());
  std::fflush(stdout);
  LogLine("serving " + std::to_string(resources) + " resources" +
          (options.catalogueDir.empty() ? std::string() : " from " + options.catalogueDir) +
          ", base " + (options.baseUrl.empty() ? "from the Host header" : options.baseUrl) +
          (options.fixedCaptcha.empty() ? "" : ", fixed captcha"));

  std::atomic<bool> ended{false};
  std::thread signals([&server, &stopSignals, &ended] {
    timespec step{0, 50 * 1000 * 1000};
    while (!ended.load()) {
      int signal = sigtimedwait(&stopSignals, nullptr, &step);
      if (signal == SIGINT || signal == SIGTERM) {
        LogLine(std::string("stopping on ") + (signal == SIGINT ? "SIGINT" : "SIGTERM"));
        server.Stop();
      } else if (Stopping().load() && !server.Listening()) {
        // A signal that came before the accept loop started found nothing to stop: again.
        server.Stop();
      }
    }
  });
  bool served = server.Run();
  Stopping().store(true);
  ended.store(true);
  signals.join();
  if (!served) return Fail("cannot serve on " + listening);
  ReleaseDrawingCaches();
  LogLine("stopped");
  return 0;
}
