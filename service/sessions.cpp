#include "sessions.h"

#include "captcha.h"

namespace rudiruza::service {
namespace {

// A session nobody has used for this long is forgotten.
constexpr auto kIdleLife = std::chrono::hours(1);

}  // namespace

std::string CookieValue(const std::string& cookieHeader, const std::string& name) {
  size_t pos = 0;
  while (pos < cookieHeader.size()) {
    auto end = cookieHeader.find(';', pos);
    if (end == std::string::npos) end = cookieHeader.size();
    std::string pair = cookieHeader.substr(pos, end - pos);
    auto first = pair.find_first_not_of(' ');
    if (first != std::string::npos) pair.erase(0, first);
    auto eq = pair.find('=');
    if (eq != std::string::npos && pair.compare(0, eq, name) == 0 && eq == name.size()) {
      std::string value = pair.substr(eq + 1);
      while (!value.empty() && value.back() == ' ') value.pop_back();
      return value;
    }
    pos = end + 1;
  }
  return std::string();
}

SessionStore::SessionStore(std::chrono::milliseconds answerLife, size_t maxSessions)
    : answerLife_(answerLife), maxSessions_(maxSessions), random_(std::random_device{}()) {
  // A second word of seed: session ids must not be guessable from one 32-bit value.
  std::random_device device;
  random_.seed((std::uint64_t(device()) << 32) ^ device());
}

std::string SessionStore::Known(const std::string& cookieHeader) {
  std::string id = CookieValue(cookieHeader, kSessionCookie);
  if (id.empty()) return id;
  std::lock_guard lock(mutex_);
  auto it = sessions_.find(id);
  if (it == sessions_.end()) return std::string();
  it->second.lastUse = Clock::now();
  return id;
}

std::string SessionStore::Create() {
  static const char* hex = "0123456789abcdef";
  std::random_device device;
  std::string id;
  for (int i = 0; i < 32; ++i) id += hex[device() & 15];
  auto now = Clock::now();
  std::lock_guard lock(mutex_);
  ForgetIdle(now);
  sessions_[id] = Session{now, std::string(), now};
  return id;
}

void SessionStore::ForgetIdle(Clock::time_point now) {
  for (auto it = sessions_.begin(); it != sessions_.end();) {
    it = now - it->second.lastUse > kIdleLife ? sessions_.erase(it) : std::next(it);
  }
  // Still too many (a client that never sends its cookie back): drop the least recently used.
  while (sessions_.size() >= maxSessions_) {
    auto oldest = sessions_.begin();
    for (auto it = sessions_.begin(); it != sessions_.end(); ++it)
      if (it->second.lastUse < oldest->second.lastUse) oldest = it;
    sessions_.erase(oldest);
  }
}

void SessionStore::SetAnswer(const std::string& session, const std::string& answer) {
  std::lock_guard lock(mutex_);
  auto it = sessions_.find(session);
  if (it == sessions_.end()) return;
  auto now = Clock::now();
  it->second.lastUse = now;
  it->second.answer = answer;
  it->second.answerExpires = now + answerLife_;
}

bool SessionStore::Check(const std::string& session, const std::string& typed) {
  std::lock_guard lock(mutex_);
  auto it = sessions_.find(session);
  if (it == sessions_.end()) return false;
  auto now = Clock::now();
  std::string answer;
  answer.swap(it->second.answer);
  it->second.lastUse = now;
  return now <= it->second.answerExpires && CaptchaAnswerMatches(answer, typed);
}

}  // namespace rudiruza::service
