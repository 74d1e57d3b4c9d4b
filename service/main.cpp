#include <cstdio>

int main() {
  std::fprintf(stderr, "kavo-service: not built yet\n");
  return 2;
}
