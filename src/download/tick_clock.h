// The system's millisecond uptime counter, 32 bits wide: it wraps after about 49.7 days, and the
// transfer's timing has to survive that.
#pragma once

#include <cstdint>

namespace rudiruza {

// Milliseconds since boot, low 32 bits.
std::uint32_t TickCount();

// Where TickCount reads from; tests install one that stands near the wrap.
class TickSource {
 public:
  virtual ~TickSource() = default;
  virtual std::uint32_t Now() = 0;
};

// Makes TickCount read from source (on every thread) until the guard goes.
class ScopedTickSource {
 public:
  explicit ScopedTickSource(TickSource& source);
  ~ScopedTickSource();
  ScopedTickSource(const ScopedTickSource&) = delete;
  ScopedTickSource& operator=(const ScopedTickSource&) = delete;

 private:
  TickSource* previous_;
};

// Milliseconds from one counter reading to a later one, right across a wrap.
inline std::uint32_t TicksBetween(std::uint32_t earlier, std::uint32_t later) {
  return later - earlier;  // unsigned arithmetic is modulo 2^32
}

}  // namespace rudiruza
