// Text, byte and number operations that the rest of the program is built on.
//
// A Text is a std::string of GB18030 bytes (GBK for every GBK character) and never holds a zero
// byte. Positions count bytes from 1; a failed search gives -1; a cut outside a text gives the
// empty text. The walking operations read a byte of 0x80 or above as the first byte of a two-byte
// character, whatever follows it (a four-byte GB18030 sequence walks as two such units).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace rudiruza {

using Text = std::string;

// A counted buffer of bytes of any value, zero included.
using Bytes = std::vector<unsigned char>;

// ReplaceSubtext's count for "every occurrence".
inline constexpr int kReplaceAll = -1;

int TextLength(const Text& text);
Text TextLeft(const Text& text, int n);
Text TextRight(const Text& text, int n);
Text TextMid(const Text& text, int start, int n);

int FindText(const Text& text, const Text& part, int start = 1, bool ignoreCase = false);
int CompareText(const Text& a, const Text& b, bool caseSensitive);

Text ReplaceSubtext(const Text& text, const Text& find, const Text& replacement = Text(),
                    int start = 1, int count = kReplaceAll, bool caseSensitive = true);
Text ReplaceTextAt(const Text& text, int start, int length, const Text& replacement = Text());
Text RemoveAllSpaces(const Text& text);
Text ToUpper(const Text& text);
Text ToLower(const Text& text);
Text SpaceText(int n);
Text TextBetween(const Text& text, const Text& firstMarker, const Text& secondMarker);

Bytes TextToBytes(const Text& text);
Text BytesToText(const Bytes& bytes);
Bytes BytesLeft(const Bytes& bytes, int n);
Bytes ZeroBytes(int n);
Bytes JoinBytes(const Bytes& a, const Bytes& b);

std::int32_t ToInteger(const Text& text);
std::int32_t ToInteger(double value);
double ToNumber(const Text& text);
Text NumberToText(std::int32_t value);
Text NumberToText(std::int64_t value);
Text NumberToText(double value);
double RoundNumber(double x, int digits = 0);
double IntegerQuotient(double a, double b);
double Remainder(double a, double b);

}  // namespace rudiruza
