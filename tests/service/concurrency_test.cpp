// Many downloads at once: every client gets its bytes right, and the service's memory does not
// grow with what it sends (files are streamed from disk in small pieces).
#include <fstream>
#include <thread>

#include <gtest/gtest.h>

#include "http_client.h"
#include "support/kavo_service.h"
#include "support/test_paths.h"

namespace rudiruza::test {
namespace {

// The process's peak resident memory in KiB, from /proc.
long PeakKib(pid_t pid) {
  std::ifstream status("/proc/" + std::to_string(pid) + "/status");
  std::string line;
  while (std::getline(status, line))
    if (line.rfind("VmHWM:", 0) == 0) return std::atol(line.c_str() + 6);
  return -1;
}

TEST(ServiceConcurrency, ManyClientsAtOnceWithBoundedMemory) {
  constexpr size_t kSize = 4 * 1024 * 1024;
  constexpr int kClients = 12;
  std::string content(kSize, '\0');
  for (size_t i = 0; i < kSize; ++i) content[i] = static_cast<char>((i * 131) ^ (i >> 11));
  KavoService::Options options;
  options.catalogueDir = WriteCatalogue(MakeTempDir(), {{"1000001", "big", "bin", content, ""},
                                                        {"1000002", "page", "txt", "hi", ""}});
  KavoService service(options);

  // Warm up: the first answers of each kind set the baseline.
  HttpClient warm;
  ASSERT_EQ(warm.Fetch(service.FileUrl("1000002")).body, "hi");
  ASSERT_EQ(warm.Fetch(service.BaseUrl() + "captcha.png").status, 200);
  long before = PeakKib(service.Pid());

  std::vector<std::string> bodies(kClients);
  std::vector<long> statuses(kClients);
  std::vector<std::thread> clients;
  for (int i = 0; i < kClients; ++i) {
    clients.emplace_back([&, i] {
      HttpClient client;
      HttpOptions options;
      options.timeoutMs = 60000;
      // Half of them resume from the middle; a few with a slow start.
      if (i % 2) options.headers = {"Range:bytes=" + std::to_string(kSize / 2) + "-"};
      std::string url = service.FileUrl("1000001") + (i % 3 == 0 ? "?fault=delay=50" : "");
      auto answer = client.Fetch(url, options);
      statuses[i] = answer.status;
      bodies[i] = std::move(answer.body);
    });
  }
  for (auto& t : clients) t.join();
  for (int i = 0; i < kClients; ++i) {
    SCOPED_TRACE(i);
    EXPECT_EQ(statuses[i], i % 2 ? 206 : 200);
    EXPECT_TRUE(bodies[i] == (i % 2 ? content.substr(kSize / 2) : content));
  }

  long after = PeakKib(service.Pid());
  ASSERT_GT(before, 0);
  // Holding the file in memory even once per client would add 36 MiB; streaming adds a small
  // buffer per connection.
  std::printf("service peak memory: %ld KiB before, %ld KiB after %d downloads\n", before, after,
              kClients);
  EXPECT_LT(after - before, 16 * 1024);
}

}  // namespace
}  // namespace rudiruza::test
