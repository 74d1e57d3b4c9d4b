#include "lookup/text.h"

#include <locale.h>

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdlib>
#include <cstring>

namespace rudiruza {
namespace {

using Byte = unsigned char;

Byte At(const Text& text, std::size_t i) { return static_cast<Byte>(text[i]); }

bool IsLead(Byte b) { return b >= 0x80; }

Byte FoldAscii(Byte b) { return (b >= 'A' && b <= 'Z') ? static_cast<Byte>(b + 32) : b; }

// Whether part matches text at offset p (enough bytes remain).
bool MatchesAt(const Text& text, std::size_t p, const Text& part, bool ignoreCase) {
  if (!ignoreCase) return text.compare(p, part.size(), part) == 0;
  for (std::size_t i = 0; i < part.size(); ++i) {
    if (FoldAscii(At(text, p + i)) != FoldAscii(static_cast<Byte>(part[i]))) return false;
  }
  return true;
}

// Full-width forms to their one-byte ASCII twins; a trailing lead byte is dropped.
Text FoldHalfWidth(const Text& text) {
  Text out;
  out.reserve(text.size());
  for (std::size_t p = 0; p < text.size();) {
    Byte b = At(text, p);
    if (!IsLead(b)) {
      out.push_back(static_cast<char>(b));
      ++p;
      continue;
    }
    if (p + 1 >= text.size()) break;
    Byte c = At(text, p + 1);
    if (b == 0xA3 && c >= 0xA1 && c <= 0xFE) {
      out.push_back(static_cast<char>(c & 0x7F));
    } else if (b == 0xA1 && c == 0xA1) {
      out.push_back(' ');
    } else if (b == 0xA1 && c == 0xAB) {
      out.push_back('~');
    } else if (b == 0xA1 && (c == 0xEE || c == 0xEF)) {
      out.push_back('*');
    } else {
      out.push_back(static_cast<char>(b));
      out.push_back(static_cast<char>(c));
    }
    p += 2;
  }
  return out;
}

bool IsSpaceByte(Byte b) { return b == 0x20 || (b >= 0x09 && b <= 0x0D); }
bool IsDigit(Byte b) { return b >= '0' && b <= '9'; }

std::size_t SkipSpaces(const Text& text, std::size_t p) {
  while (p < text.size() && IsSpaceByte(At(text, p))) ++p;
  return p;
}

// ToUpper and ToLower: map one-byte characters only.
template <typename Map>
Text MapOneByteCharacters(const Text& text, Map map) {
  Text out = text;
  for (std::size_t p = 0; p < out.size();) {
    Byte b = At(out, p);
    if (IsLead(b)) {
      p += 2;
    } else {
      out[p] = static_cast<char>(map(b));
      ++p;
    }
  }
  return out;
}

double Pow10(int n) { return std::pow(10.0, n); }

locale_t CLocale() {
  static locale_t c = newlocale(LC_ALL_MASK, "C", nullptr);
  return c;
}

}  // namespace

int TextLength(const Text& text) { return static_cast<int>(text.size()); }

Text TextLeft(const Text& text, int n) {
  if (n <= 0) return Text();
  return text.substr(0, static_cast<std::size_t>(n));
}

Text TextRight(const Text& text, int n) {
  if (n <= 0) return Text();
  std::size_t k = std::min(text.size(), static_cast<std::size_t>(n));
  return text.substr(text.size() - k);
}

Text TextMid(const Text& text, int start, int n) {
  if (start < 1 || static_cast<std::size_t>(start) > text.size() || n <= 0) return Text();
  return text.substr(static_cast<std::size_t>(start) - 1, static_cast<std::size_t>(n));
}

int FindText(const Text& text, const Text& part, int start, bool ignoreCase) {
  const std::size_t length = text.size();
  const std::size_t s = start < 1 ? 0 : static_cast<std::size_t>(start) - 1;
  if (s >= length) return -1;
  if (part.empty()) return length > 0 ? 1 : -1;
  for (std::size_t p = s; p < length;) {
    if (length - p < part.size()) return -1;
    if (MatchesAt(text, p, part, ignoreCase)) return static_cast<int>(p + 1);
    if (IsLead(At(text, p))) {
      if (p + 1 >= length) return -1;
      p += 2;
    } else {
      ++p;
    }
  }
  return -1;
}

int CompareText(const Text& a, const Text& b, bool caseSensitive) {
  // Two-byte characters compare as units by byte value, which is the byte order; only
  // one-byte letters are folded.
  std::size_t i = 0;
  bool inSecondByte = false;
  for (; i < a.size() && i < b.size(); ++i) {
    Byte x = At(a, i), y = At(b, i);
    if (!caseSensitive && !inSecondByte) {
      x = FoldAscii(x);
      y = FoldAscii(y);
    }
    if (x != y) return x < y ? -1 : 1;
    inSecondByte = !inSecondByte && IsLead(At(a, i));
  }
  if (a.size() == b.size()) return 0;
  return a.size() < b.size() ? -1 : 1;
}

Text ReplaceSubtext(const Text& text, const Text& find, const Text& replacement, int start,
                    int count, bool caseSensitive) {
  const std::size_t length = text.size();
  const std::size_t s = start <= 1 ? 0 : static_cast<std::size_t>(start) - 1;
  if (text.empty() || find.empty() || s >= length || count == 0) return text;
  Text out = text.substr(0, s);
  std::size_t p = s;
  while (p < length) {
    if (length - p < find.size()) break;
    if (MatchesAt(text, p, find, !caseSensitive)) {
      out += replacement;
      p += find.size();
      if (count > 0 && --count == 0) break;
      continue;
    }
    if (IsLead(At(text, p))) {
      if (p + 1 >= length) return out;  // a lead byte with nothing after it is dropped
      out.append(text, p, 2);
      p += 2;
    } else {
      out.push_back(text[p]);
      ++p;
    }
  }
  out.append(text, p, Text::npos);
  return out;
}

Text ReplaceTextAt(const Text& text, int start, int length, const Text& replacement) {
  const long long size = static_cast<long long>(text.size());
  const std::size_t c = static_cast<std::size_t>(std::clamp<long long>(start - 1LL, 0, size));
  Text out = text;
  if (length > 0) out.erase(c, std::min<std::size_t>(length, text.size() - c));
  if (!replacement.empty()) out.insert(c, replacement);
  return out;
}

Text RemoveAllSpaces(const Text& text) {
  Text out;
  out.reserve(text.size());
  for (std::size_t p = 0; p < text.size();) {
    Byte b = At(text, p);
    if (!IsLead(b)) {
      if (b != ' ') out.push_back(static_cast<char>(b));
      ++p;
      continue;
    }
    if (p + 1 >= text.size()) break;
    if (!(b == 0xA1 && At(text, p + 1) == 0xA1)) out.append(text, p, 2);
    p += 2;
  }
  return out;
}

Text ToUpper(const Text& text) {
  return MapOneByteCharacters(
      text, [](Byte b) { return (b >= 'a' && b <= 'z') ? static_cast<Byte>(b - 32) : b; });
}

Text ToLower(const Text& text) { return MapOneByteCharacters(text, FoldAscii); }

Text SpaceText(int n) { return n < 1 ? Text() : Text(static_cast<std::size_t>(n), ' '); }

Text TextBetween(const Text& text, const Text& firstMarker, const Text& secondMarker) {
  int p1 = FindText(text, firstMarker, 1, false);
  if (p1 == -1) return Text();
  int start = p1 + TextLength(firstMarker);
  int p2 = FindText(text, secondMarker, start, false);
  if (p2 == -1 || start >= p2) return Text();
  return TextMid(text, start, p2 - start);
}

Bytes TextToBytes(const Text& text) { return Bytes(text.begin(), text.end()); }

Text BytesToText(const Bytes& bytes) {
  auto zero = std::find(bytes.begin(), bytes.end(), 0);
  return Text(bytes.begin(), zero);
}

Bytes BytesLeft(const Bytes& bytes, int n) {
  if (n <= 0) return Bytes();
  std::size_t k = std::min(bytes.size(), static_cast<std::size_t>(n));
  return Bytes(bytes.begin(), bytes.begin() + static_cast<std::ptrdiff_t>(k));
}

Bytes ZeroBytes(int n) { return n <= 0 ? Bytes() : Bytes(static_cast<std::size_t>(n), 0); }

Bytes JoinBytes(const Bytes& a, const Bytes& b) {
  Bytes out;
  out.reserve(a.size() + b.size());
  out.insert(out.end(), a.begin(), a.end());
  out.insert(out.end(), b.begin(), b.end());
  return out;
}

std::int32_t ToInteger(const Text& text) {
  const Text folded = FoldHalfWidth(text);
  std::size_t p = SkipSpaces(folded, 0);
  bool negative = false;
  if (p < folded.size() && (folded[p] == '+' || folded[p] == '-')) {
    negative = folded[p] == '-';
    ++p;
  }
  std::uint32_t value = 0;  // wraps modulo 2^32, as the digits are read
  for (; p < folded.size() && IsDigit(At(folded, p)); ++p) {
    value = value * 10u + static_cast<std::uint32_t>(At(folded, p) - '0');
  }
  if (negative) value = 0u - value;
  return static_cast<std::int32_t>(value);
}

std::int32_t ToInteger(double value) {
  // 2^63 is exact in a double; everything at or beyond it, and non-finite values, give 0.
  constexpr double kLimit = 9223372036854775808.0;
  if (!std::isfinite(value) || value >= kLimit || value < -kLimit) return 0;
  const auto whole = static_cast<std::int64_t>(value);  // truncates toward zero
  return static_cast<std::int32_t>(static_cast<std::uint32_t>(static_cast<std::uint64_t>(whole)));
}

double ToNumber(const Text& text) {
  const Text folded = FoldHalfWidth(text);
  std::size_t p = SkipSpaces(folded, 0);
  // Copy out the longest decimal prefix, so that the C library never sees hexadecimal,
  // "inf" or "nan".
  std::string number;
  if (p < folded.size() && (folded[p] == '+' || folded[p] == '-')) number.push_back(folded[p++]);
  std::size_t digits = 0;
  for (; p < folded.size() && IsDigit(At(folded, p)); ++p, ++digits) number.push_back(folded[p]);
  if (p < folded.size() && folded[p] == '.') {
    number.push_back('.');
    for (++p; p < folded.size() && IsDigit(At(folded, p)); ++p, ++digits) {
      number.push_back(folded[p]);
    }
  }
  if (digits == 0) return 0.0;
  if (p < folded.size() && std::strchr("eEdD", folded[p]) != nullptr) {
    std::size_t q = p + 1;
    std::string exponent = "e";
    if (q < folded.size() && (folded[q] == '+' || folded[q] == '-'))
      exponent.push_back(folded[q++]);
    std::size_t expDigits = 0;
    for (; q < folded.size() && IsDigit(At(folded, q)); ++q, ++expDigits) {
      exponent.push_back(folded[q]);
    }
    if (expDigits > 0) number += exponent;
  }
  return strtod_l(number.c_str(), nullptr, CLocale());
}

Text NumberToText(std::int32_t value) { return std::to_string(value); }

Text NumberToText(std::int64_t value) { return std::to_string(value); }

Text NumberToText(double value) {
  char buffer[64];
  // to_chars is "%.13g" without the locale's decimal point.
  auto result =
      std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::general, 13);
  Text out(buffer, result.ptr);
  // The exponent gets at least three digits.
  std::size_t e = out.find('e');
  if (e != Text::npos && e + 2 < out.size()) {
    std::size_t expDigits = out.size() - (e + 2);
    if (expDigits < 3) out.insert(e + 2, 3 - expDigits, '0');
  }
  return out;
}

double RoundNumber(double x, int digits) {
  if (x == 0.0 || std::isnan(x)) return x;
  const bool negative = x < 0;
  double y = std::fabs(x);
  if (digits > 0) {
    y = y * Pow10(digits);
  } else if (digits < 0) {
    y = y / Pow10(-digits);
  }
  y = y + 1e-12;
  double i = 0.0;
  const double f = std::modf(y, &i);
  if (f >= 0.5) i = i + 1.0;
  double r = i;
  if (digits > 0) {
    r = i / Pow10(digits);
  } else if (digits < 0) {
    r = i * Pow10(-digits);
  }
  return negative ? -r : r;
}

double IntegerQuotient(double a, double b) { return std::trunc(a / b); }

double Remainder(double a, double b) { return std::fmod(a, b); }

}  // namespace rudiruza
