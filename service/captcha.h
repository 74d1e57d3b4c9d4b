// Captcha challenges and their pictures: 6 to 8 characters, four of them red, yellow, blue and
// green (the answer, in that order), the others in colours that cannot be taken for those.
#pragma once

#include <cstdint>
#include <random>
#include <string>
#include <string_view>
#include <vector>

namespace rudiruza::service {

// Letters and digits that cannot be mistaken for each other: no 0/O/Q, 1/I/L.
inline constexpr std::string_view kCaptchaAlphabet = "23456789ABCDEFGHJKMNPRSTUVWXYZ";

inline constexpr int kCaptchaWidth = 280;  // the window's picture box is 373 x 57
inline constexpr int kCaptchaHeight = 57;

struct CaptchaGlyph {
  char character = 'A';
  std::uint8_t red = 0, green = 0, blue = 0;
  double angle = 0;  // radians
  double dy = 0;     // vertical offset in pixels
};

struct Captcha {
  std::string answer;  // the red, yellow, blue and green characters, in that order
  std::vector<CaptchaGlyph> glyphs;
  std::uint64_t noiseSeed = 0;
};

// A fresh challenge. With a non-empty fixedAnswer the answer is fixedAnswer; when it has four
// characters the coloured ones show it, otherwise the picture only decorates.
Captcha MakeCaptcha(std::mt19937_64& random, const std::string& fixedAnswer);

// The picture as PNG bytes, kCaptchaWidth x kCaptchaHeight; empty if drawing failed.
std::string RenderCaptchaPng(const Captcha& captcha);

// Frees the font caches that drawing filled, so that a leak checker sees a clean exit. Only when
// no picture is being drawn any more.
void ReleaseDrawingCaches();

// Answers compare without regard to ASCII case.
bool CaptchaAnswerMatches(const std::string& answer, const std::string& typed);

}  // namespace rudiruza::service
