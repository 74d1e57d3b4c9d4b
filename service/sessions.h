// Sessions: the cookie that ties a captcha picture to the form post that answers it.
#pragma once

#include <chrono>
#include <cstddef>
#include <map>
#include <mutex>
#include <random>
#include <string>

namespace rudiruza::service {

inline constexpr const char* kSessionCookie = "KAVOSID";

class SessionStore {
 public:
  using Clock = std::chrono::steady_clock;

  SessionStore(std::chrono::milliseconds answerLife, size_t maxSessions);

  // The session named by a Cookie header, if the store knows it; empty otherwise.
  std::string Known(const std::string& cookieHeader);
  // A new session's id.
  std::string Create();
  // Binds a fresh answer to the session, replacing any earlier one.
  void SetAnswer(const std::string& session, const std::string& answer);
  // True when typed matches the session's live answer. Any check uses the answer up, right or
  // wrong, so that a picture cannot be guessed at.
  bool Check(const std::string& session, const std::string& typed);

  // Random numbers for the pictures, seeded once; callers hold RandomLock() while using it.
  std::mt19937_64& Random() { return random_; }
  std::mutex& RandomLock() { return randomMutex_; }

 private:
  struct Session {
    Clock::time_point lastUse;
    std::string answer;
    Clock::time_point answerExpires;
  };
  void ForgetIdle(Clock::time_point now);

  std::chrono::milliseconds answerLife_;
  size_t maxSessions_;
  std::mutex mutex_;
  std::map<std::string, Session> sessions_;
  std::mutex randomMutex_;
  std::mt19937_64 random_;
};

// The value of cookie name in a Cookie header; empty when absent.
std::string CookieValue(const std::string& cookieHeader, const std::string& name);

}  // namespace rudiruza::service
