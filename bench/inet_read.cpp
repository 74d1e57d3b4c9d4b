// Throughput of the HTTP layer's reads in the transfer's chunk size: a loopback server sends
// a body of the given size, the client reads it 10240 bytes a call and throws it away.
//   bench_inet_read [MiB=1024] [runs=3]
#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <thread>
#include <vector>

#include "platform/inet/inet.h"

namespace {

// Answers one request with size bytes, then closes.
void ServeOnce(int listenFd, long long size) {
  int fd = accept(listenFd, nullptr, nullptr);
  char request[4096];
  std::string seen;
  while (seen.find("\r\n\r\n") == std::string::npos) {
    ssize_t n = recv(fd, request, sizeof request, 0);
    if (n <= 0) break;
    seen.append(request, static_cast<std::size_t>(n));
  }
  std::string head = "HTTP/1.1 200 OK\r\nContent-Length: " + std::to_string(size) +
                     "\r\nConnection: close\r\n\r\n";
  send(fd, head.data(), head.size(), MSG_NOSIGNAL);
  std::vector<char> block(1 << 20, 'b');
  for (long long left = size; left > 0;) {
    ssize_t n = send(fd, block.data(), std::min<long long>(left, block.size()), MSG_NOSIGNAL);
    if (n <= 0) break;
    left -= n;
  }
  close(fd);
}

}  // namespace

int main(int argc, char** argv) {
  using namespace rudiruza;
  long long mib = argc > 1 ? std::atoll(argv[1]) : 1024;
  int runs = argc > 2 ? std::atoi(argv[2]) : 3;
  long long size = mib << 20;
  int listenFd = socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  socklen_t length = sizeof address;
  bind(listenFd, reinterpret_cast<sockaddr*>(&address), length);
  listen(listenFd, 4);
  getsockname(listenFd, reinterpret_cast<sockaddr*>(&address), &length);
  std::string url = "http://127.0.0.1:" + std::to_string(ntohs(address.sin_port)) + "/file";
  auto root = inet::Root::Open("bench", inet::Access::kDirect);
  for (int run = 0; run < runs; ++run) {
    std::thread server(ServeOnce, listenFd, size);
    auto start = std::chrono::steady_clock::now();
    auto request = inet::Request::OpenUrl(*root, url, "Accept: */*", 0);
    long long total = 0, reads = 0;
    char chunk[10240];
    for (std::int64_t n; request && (n = request->Read(chunk, sizeof chunk)) > 0; ++reads) {
      total += n;
    }
    double seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    server.join();
    std::printf("run %d: %lld bytes in %lld reads, %.3f s, %.2f s/GiB, %.0f MiB/s\n", run, total,
                reads, seconds, seconds * (1 << 30) / static_cast<double>(total),
                static_cast<double>(total) / (1 << 20) / seconds);
  }
  close(listenFd);
}
