#include "captcha.h"

#include <cairo.h>
#include <fontconfig/fontconfig.h>

#include <algorithm>
#include <cmath>
#include <mutex>

namespace rudiruza::service {
namespace {

struct Colour {
  std::uint8_t r, g, b;
};

// The four that make up the answer, in the answer's order: red, yellow, blue, green. The yellow is
// a deep golden one so that it stays readable on the light background.
constexpr Colour kAnswerColours[4] = {{215, 25, 25}, {230, 175, 0}, {25, 70, 215}, {20, 145, 40}};
// Distractors: black, purple, grey, brown.
constexpr Colour kOtherColours[4] = {{20, 20, 20}, {130, 40, 160}, {130, 130, 130}, {100, 55, 25}};

char RandomCharacter(std::mt19937_64& random) {
  std::uniform_int_distribution<size_t> pick(0, kCaptchaAlphabet.size() - 1);
  return kCaptchaAlphabet[pick(random)];
}

cairo_status_t AppendPng(void* closure, const unsigned char* data, unsigned int length) {
  static_cast<std::string*>(closure)->append(reinterpret_cast<const char*>(data), length);
  return CAIRO_STATUS_SUCCESS;
}

}  // namespace

Captcha MakeCaptcha(std::mt19937_64& random, const std::string& fixedAnswer) {
  Captcha captcha;
  int count = std::uniform_int_distribution<int>(6, 8)(random);
  // Which slots hold the four answer colours.
  std::vector<int> slots(count);
  for (int i = 0; i < count; ++i) slots[i] = i;
  std::shuffle(slots.begin(), slots.end(), random);
  std::vector<int> colourOfSlot(count, -1);
  for (int c = 0; c < 4; ++c) colourOfSlot[slots[c]] = c;

  bool fixedShown = fixedAnswer.size() == 4;
  std::uniform_real_distribution<double> angle(-0.35, 0.35);
  std::uniform_real_distribution<double> dy(-5.0, 5.0);
  std::uniform_int_distribution<int> other(0, 3);
  std::string answer(4, ' ');
  for (int i = 0; i < count; ++i) {
    CaptchaGlyph glyph;
    int c = colourOfSlot[i];
    glyph.character = c >= 0 && fixedShown ? fixedAnswer[c] : RandomCharacter(random);
    Colour colour = c >= 0 ? kAnswerColours[c] : kOtherColours[other(random)];
    glyph.red = colour.r;
    glyph.green = colour.g;
    glyph.blue = colour.b;
    glyph.angle = angle(random);
    glyph.dy = dy(random);
    if (c >= 0) answer[c] = glyph.character;
    captcha.glyphs.push_back(glyph);
  }
  captcha.answer = fixedAnswer.empty() ? answer : fixedAnswer;
  captcha.noiseSeed = random();
  return captcha;
}

std::string RenderCaptchaPng(const Captcha& captcha) {
  // Font look-ups go through fontconfig, which is not fast and not worth racing on: pictures are
  // small, one at a time is plenty.
  static std::mutex drawing;
  std::lock_guard lock(drawing);

  cairo_surface_t* surface =
      cairo_image_surface_create(CAIRO_FORMAT_RGB24, kCaptchaWidth, kCaptchaHeight);
  cairo_t* cr = cairo_create(surface);
  std::mt19937_64 noise(captcha.noiseSeed);
  std::uniform_real_distribution<double> unit(0.0, 1.0);

  // Light background with light speckles and arcs: noise that never competes with the glyphs.
  cairo_set_source_rgb(cr, 0.96, 0.96, 0.93);
  cairo_paint(cr);
  for (int i = 0; i < 350; ++i) {
    cairo_set_source_rgb(cr, 0.78 + 0.18 * unit(noise), 0.78 + 0.18 * unit(noise),
                         0.78 + 0.18 * unit(noise));
    cairo_rectangle(cr, unit(noise) * kCaptchaWidth, unit(noise) * kCaptchaHeight, 1.5, 1.5);
    cairo_fill(cr);
  }
  cairo_set_line_width(cr, 1.0);
  for (int i = 0; i < 5; ++i) {
    cairo_set_source_rgb(cr, 0.75 + 0.2 * unit(noise), 0.75 + 0.2 * unit(noise),
                         0.75 + 0.2 * unit(noise));
    cairo_move_to(cr, unit(noise) * kCaptchaWidth, unit(noise) * kCaptchaHeight);
    cairo_curve_to(cr, unit(noise) * kCaptchaWidth, unit(noise) * kCaptchaHeight,
                   unit(noise) * kCaptchaWidth, unit(noise) * kCaptchaHeight,
                   unit(noise) * kCaptchaWidth, unit(noise) * kCaptchaHeight);
    cairo_stroke(cr);
  }

  cairo_select_font_face(cr, "DejaVu Sans", CAIRO_FONT_SLANT_NORMAL, CAIRO_FONT_WEIGHT_BOLD);
  cairo_set_font_size(cr, 30);
  const double margin = 10;
  const double slot = (kCaptchaWidth - 2 * margin) / std::max<size_t>(1, captcha.glyphs.size());
  for (size_t i = 0; i < captcha.glyphs.size(); ++i) {
    const CaptchaGlyph& g = captcha.glyphs[i];
    char text[2] = {g.character, 0};
    cairo_text_extents_t extents;
    cairo_text_extents(cr, text, &extents);
    cairo_save(cr);
    cairo_translate(cr, margin + slot * (i + 0.5), kCaptchaHeight / 2.0 + g.dy);
    cairo_rotate(cr, g.angle);
    cairo_move_to(cr, -extents.x_bearing - extents.width / 2,
                  -extents.y_bearing - extents.height / 2);
    cairo_text_path(cr, text);
    cairo_set_source_rgb(cr, g.red / 255.0, g.green / 255.0, g.blue / 255.0);
    cairo_fill_preserve(cr);
    // A thin darker rim of the same hue keeps light colours (the yellow) legible.
    cairo_set_source_rgb(cr, g.red / 400.0, g.green / 400.0, g.blue / 400.0);
    cairo_set_line_width(cr, 0.6);
    cairo_stroke(cr);
    cairo_restore(cr);
  }

  std::string png;
  cairo_surface_flush(surface);
  if (cairo_status(cr) != CAIRO_STATUS_SUCCESS ||
      cairo_surface_write_to_png_stream(surface, AppendPng, &png) != CAIRO_STATUS_SUCCESS)
    png.clear();
  cairo_destroy(cr);
  cairo_surface_destroy(surface);
  return png;
}

void ReleaseDrawingCaches() {
  cairo_debug_reset_static_data();
  FcFini();
}

bool CaptchaAnswerMatches(const std::string& answer, const std::string& typed) {
  if (answer.empty() || answer.size() != typed.size()) return false;
  for (size_t i = 0; i < answer.size(); ++i) {
    auto lower = [](unsigned char c) { return c >= 'A' && c <= 'Z' ? c + 32 : c; };
    if (lower(answer[i]) != lower(typed[i])) return false;
  }
  return true;
}

}  // namespace rudiruza::service
