#include "lookup/text.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

namespace rudiruza {
namespace {

// Two-byte characters used below: 文 = CE C4, 件 = BC FE; a full-width space = A1 A1.
const Text kWen = "\xCE\xC4";
const Text kJian = "\xBC\xFE";
const Text kFullSpace = "\xA1\xA1";
const Text kMarker = "$\xD6\xC7\xC4\xDC\xC3\xFC\xC3\xFB$";  // $智能命名$
// U+20000 in GB18030 is the four bytes 95 32 82 36; it walks as two two-byte units, so its ASCII
// digits '2' and '6' are never matched.
const Text kFourByte = "\x95\x32\x82\x36";

TEST(TextCuts, LeftRightMid) {
  struct Row {
    Text got, want;
  } rows[] = {
      {TextLeft("abc", 5), "abc"},
      {TextLeft("abc", 0), ""},
      {TextLeft("abc", -1), ""},
      {TextLeft(kWen + kJian, 3), "\xCE\xC4\xBC"},  // bytes, not characters
      {TextRight("abcdef", 2), "ef"},
      {TextRight("abc", 9), "abc"},
      {TextRight("abc", -3), ""},
      {TextMid("abcdef", 3, 2), "cd"},
      {TextMid("abcdef", 5, 9), "ef"},
      {TextMid("abcdef", 0, 2), ""},
      {TextMid("abcdef", 7, 1), ""},
      {TextMid("abcdef", 2, 0), ""},
      {TextMid("abcdef", 6, 1), "f"},
      {TextMid("", 1, 1), ""},
  };
  for (std::size_t i = 0; i < std::size(rows); ++i)
    EXPECT_EQ(rows[i].got, rows[i].want) << "row " << i;
  EXPECT_EQ(TextLength(kWen + "a"), 3);
  EXPECT_EQ(TextLength(""), 0);
}

TEST(FindText, Positions) {
  struct Row {
    Text text, part;
    int start;
    bool ignoreCase;
    int want;
  } rows[] = {
      {"abcabc", "bc", 1, false, 2},
      {"abcabc", "bc", 3, false, 5},
      {"abcabc", "bc", 0, false, 2},
      {"abcabc", "bc", -4, false, 2},
      {"abcabc", "bc", 7, false, -1},
      {"abcabc", "bc", 6, false, -1},
      {"abc", "x", 1, false, -1},
      {"abc", "abcd", 1, false, -1},
      {"Accept: */*", "accept: ", 1, true, 1},
      {"Accept: */*", "accept: ", 1, false, -1},
      {"abc", "", 1, false, 1},
      {"", "", 1, false, -1},
      {"abc", "", 4, false, -1},
      {"\xB0"
       "AA",
       "A", 1, false, 3},  // never inside a two-byte character
      {"\xB0"
       "a",
       "A", 1, true, -1},  // a trail byte is not folded into a match either
      {kWen + "x" + kJian + "x", "x", 4, false, 6},
      {"a\xB0", "\xB0", 1, false, 2},  // a lead byte at the end still matches itself
      {"ab\xB0", "c", 1, false, -1},   // and ends the walk otherwise
      // Counting from start: from position 2 the trail byte C4 is read as a lead byte, so the
      // walk takes C4+'x' as one character and misses the 'x' at position 3.
      {kWen + "x", "x", 2, false, -1},
      {kFourByte + "2", "2", 1, false, 5},  // ASCII bytes inside a 4-byte sequence never match
      {kFourByte + "6", "6", 1, false, 5},
  };
  for (std::size_t i = 0; i < std::size(rows); ++i) {
    const Row& r = rows[i];
    EXPECT_EQ(FindText(r.text, r.part, r.start, r.ignoreCase), r.want) << "row " << i;
  }
  EXPECT_EQ(FindText("abcabc", "bc"), 2);  // start and case default
}

TEST(CompareText, CaseRules) {
  EXPECT_EQ(CompareText("HTTP://", "http://", false), 0);
  EXPECT_NE(CompareText("https:/", "http://", false), 0);
  EXPECT_NE(CompareText("HTTP://", "http://", true), 0);
  EXPECT_EQ(CompareText("", "", true), 0);
  EXPECT_LT(CompareText("a", "b", true), 0);
  EXPECT_GT(CompareText("b", "a", true), 0);
  EXPECT_LT(CompareText("ab", "abc", false), 0);
  EXPECT_GT(CompareText(kJian, "a", true), 0);  // bytes compare unsigned
  // The trail byte of a two-byte character is never folded.
  EXPECT_NE(CompareText("\xB0"
                        "a",
                        "\xB0"
                        "A",
                        false),
            0);
}

TEST(ReplaceSubtext, Table) {
  struct Row {
    Text got, want;
  } rows[] = {
      {ReplaceSubtext("aXbXc", "X", "--"), "a--b--c"},
      {ReplaceSubtext("aXbXc", "X", "--", 1, 1), "a--bXc"},
      {ReplaceSubtext("aXbXc", "X", "--", 3), "aXb--c"},
      {ReplaceSubtext("aaa", "aa", "b"), "ba"},
      {ReplaceSubtext("RudiRuza rudiruza", "RudiRuza", "RudiRuzaC"), "RudiRuzaC rudiruza"},
      {ReplaceSubtext("RudiRuza rudiruza", "RudiRuza", "RudiRuzaC", 1, kReplaceAll, false),
       "RudiRuzaC RudiRuzaC"},
      {ReplaceSubtext("RudiRuza x RudiRuza", "RudiRuza", "RudiRuzaC"), "RudiRuzaC x RudiRuzaC"},
      {ReplaceSubtext("aXb", "X"), "ab"},  // replacement omitted: removed
      {ReplaceSubtext("", "X", "y"), ""},
      {ReplaceSubtext("abc", "", "y"), "abc"},
      {ReplaceSubtext("abc", "b", "y", 4), "abc"},     // start past the end
      {ReplaceSubtext("abc", "b", "y", 1, 0), "abc"},  // count 0
      {ReplaceSubtext("abc", "b", "y", -5), "ayc"},    // start below 1 is 1
      {ReplaceSubtext("\xB0"
                      "XX",
                      "X", "y"),
       "\xB0"
       "Xy"},                                           // not inside a character
      {ReplaceSubtext("aX\xB0", "X", "y"), "ay"},       // trailing lead byte dropped
      {ReplaceSubtext("aX\xB0", "Xq", "y"), "aX\xB0"},  // unless the walk ends first
      {ReplaceSubtext("d:/x/" + kMarker + ".tmp", kMarker, "abc.rar"), "d:/x/abc.rar.tmp"},
  };
  for (std::size_t i = 0; i < std::size(rows); ++i)
    EXPECT_EQ(rows[i].got, rows[i].want) << "row " << i;
}

TEST(ReplaceTextAt, Table) {
  EXPECT_EQ(ReplaceTextAt("http://host/x", 1, 7), "host/x");
  EXPECT_EQ(ReplaceTextAt("abc", 1, 7), "");
  EXPECT_EQ(ReplaceTextAt("abc", 2, 1, "XY"), "aXYc");
  EXPECT_EQ(ReplaceTextAt("abc", 9, 1, "Z"), "abcZ");
  EXPECT_EQ(ReplaceTextAt("abc", -3, 0, "Z"), "Zabc");
  EXPECT_EQ(ReplaceTextAt("abc", 2, -1), "abc");
}

TEST(CharacterWalks, SpacesAndCase) {
  EXPECT_EQ(RemoveAllSpaces(" a b\tc "), "ab\tc");
  EXPECT_EQ(RemoveAllSpaces(kWen + kFullSpace + kJian), kWen + kJian);
  EXPECT_EQ(RemoveAllSpaces("a\xB0"), "a");        // trailing lead byte dropped
  EXPECT_EQ(RemoveAllSpaces("\xB0 x"), "\xB0 x");  // 0x20 as a trail byte stays
  EXPECT_EQ(ToUpper("post"), "POST");
  EXPECT_EQ(ToLower("Host.Example:80"), "host.example:80");
  EXPECT_EQ(ToUpper("\xB0"
                    "a"
                    "b"),
            "\xB0"
            "aB");  // a trail byte in letter range is kept
  EXPECT_EQ(ToLower("\xB0"
                    "A"
                    "B"),
            "\xB0"
            "Ab");
  EXPECT_EQ(ToUpper("a\xB0"), "A\xB0");  // a trailing lead byte stays
  EXPECT_EQ(SpaceText(3), "   ");
  EXPECT_EQ(SpaceText(0), "");
  EXPECT_EQ(SpaceText(-2), "");
}

TEST(TextBetween, Markers) {
  struct Row {
    Text text, first, second, want;
  } rows[] = {
      {"[b]name[/b]", "[b]", "[/b]", "name"},
      {"x[<url>]http://a/b[<url>]", "[<url>]", "[<url>]", "http://a/b"},
      {"ab", "a", "b", ""},
      {"abc", "x", "c", ""},
      {"abc", "a", "x", ""},
      {"a1a2b", "a", "b", "1a2"},
      {"a1a2", "a", "b", ""},  // later first markers are never tried
      {"[<url>]only", "[<url>]", "[<url>]", ""},
  };
  for (std::size_t i = 0; i < std::size(rows); ++i) {
    EXPECT_EQ(TextBetween(rows[i].text, rows[i].first, rows[i].second), rows[i].want)
        << "row " << i;
  }
}

TEST(BytesOps, CountsAndZeros) {
  EXPECT_EQ(BytesToText(Bytes{0x41, 0x42, 0x00, 0x43}), "AB");
  EXPECT_EQ(BytesToText(Bytes{}), "");
  EXPECT_EQ(TextToBytes("abc").size(), 3u);
  EXPECT_TRUE(TextToBytes("").empty());
  const Bytes ten{0, 1, 2, 3, 4, 5, 6, 7, 8, 9};
  EXPECT_EQ(BytesLeft(ten, 4), (Bytes{0, 1, 2, 3}));
  EXPECT_EQ(BytesLeft(ten, 20), ten);
  EXPECT_TRUE(BytesLeft(ten, -1).empty());
  EXPECT_EQ(ZeroBytes(3), (Bytes{0, 0, 0}));
  EXPECT_TRUE(ZeroBytes(0).empty());
  EXPECT_EQ(JoinBytes(Bytes{1}, Bytes{0, 2}), (Bytes{1, 0, 2}));
}

TEST(ToInteger, FromText) {
  struct Row {
    Text text;
    std::int32_t want;
  } rows[] = {
      {"12345", 12345},
      {"  -42", -42},
      {"+7", 7},
      {"12abc", 12},
      {"http://host/12345", 0},
      {"", 0},
      {"abc", 0},
      {"-", 0},
      {"\xA3\xB1\xA3\xB2", 12},  // full-width digits
      {kFullSpace + "34", 34},   // full-width space skipped
      {"\xA3\xAD"
       "5",
       -5},  // full-width minus
      {"\t\n\v\f\r 9", 9},
      {"4294967295", -1},  // wraps modulo 2^32
      {"4294967296", 0},
      {"2147483648", std::numeric_limits<std::int32_t>::min()},
      {"12345678901", -539222987},
      {"1 2", 1},
  };
  for (const Row& r : rows) EXPECT_EQ(ToInteger(r.text), r.want) << r.text;
}

TEST(ToInteger, FromNumber) {
  struct Row {
    double value;
    std::int32_t want;
  } rows[] = {
      {2.9, 2},
      {-2.9, -2},
      {3000000000.0, -1294967296},
      {4294967296.0, 0},
      {4294967297.5, 1},
      {9.3e18, 0},  // beyond the 64-bit range
      {-9.3e18, 0},
      {std::numeric_limits<double>::infinity(), 0},
      {std::nan(""), 0},
      {-9223372036854775808.0, 0},  // low 32 bits of -2^63
  };
  for (const Row& r : rows) EXPECT_EQ(ToInteger(r.value), r.want) << r.value;
}

TEST(ToNumber, DecimalPrefixOnly) {
  struct Row {
    Text text;
    double want;
  } rows[] = {
      {"8080", 8080}, {" 80abc", 80}, {"", 0},        {"1.5e3", 1500},
      {"1d3", 1000},  {"-2.5", -2.5}, {".5", 0.5},    {"5.", 5},
      {"1e", 1},      {"1e+", 1},     {"0x1A", 0},    {"inf", 0},
      {"nan", 0},     {"+3", 3},      {"1E-2", 0.01}, {"\xA3\xB8\xA3\xB0", 80},
      {".", 0},       {"-", 0},
  };
  for (const Row& r : rows) EXPECT_DOUBLE_EQ(ToNumber(r.text), r.want) << r.text;
}

TEST(NumberToText, Formats) {
  EXPECT_EQ(NumberToText(0), "0");
  EXPECT_EQ(NumberToText(-15), "-15");
  EXPECT_EQ(NumberToText(std::int64_t{5000000000}), "5000000000");
  struct Row {
    double value;
    Text want;
  } rows[] = {
      {2.0, "2"},
      {0.5, "0.5"},
      {1.5, "1.5"},
      {100.0, "100"},
      {2.68, "2.68"},
      {0.1 + 0.2, "0.3"},
      {1.0 / 3.0, "0.3333333333333"},
      {1234567890123.0, "1234567890123"},
      {1e13, "1e+013"},
      {12345678901234.0, "1.234567890123e+013"},
      {0.0001, "0.0001"},
      {0.00001, "1e-005"},
      {1.5e-300, "1.5e-300"},
      {0.0, "0"},
      {-0.0, "-0"},
      {-2.5, "-2.5"},
      {976.5625, "976.5625"},
  };
  for (const Row& r : rows) EXPECT_EQ(NumberToText(r.value), r.want) << r.value;
}

TEST(RoundNumber, HalfAwayWithBias) {
  struct Row {
    double x;
    int digits;
    double want;
  } rows[] = {
      {2.675, 2, 2.68},     {1.005, 2, 1.01}, {-2.5, 0, -3},
      {0.125, 2, 0.13},     {1250, -2, 1300}, {0.4999999999999, 0, 1},
      {1023.9999, 2, 1024}, {0.001, 2, 0},    {2.4, 0, 2},
      {-1.005, 2, -1.01},   {0, 2, 0},        {17.0666, 2, 17.07},
  };
  for (const Row& r : rows) EXPECT_DOUBLE_EQ(RoundNumber(r.x, r.digits), r.want) << r.x;
  EXPECT_EQ(NumberToText(RoundNumber(1023.9999, 2)), "1024");
  EXPECT_EQ(NumberToText(RoundNumber(0.001, 2)), "0");
  EXPECT_TRUE(std::isnan(RoundNumber(std::nan(""), 2)));
  EXPECT_DOUBLE_EQ(RoundNumber(2.5), 3);
}

TEST(Division, QuotientAndRemainder) {
  EXPECT_DOUBLE_EQ(IntegerQuotient(7.9, 2), 3);
  EXPECT_DOUBLE_EQ(IntegerQuotient(-7, 2), -3);
  EXPECT_DOUBLE_EQ(Remainder(7, 3), 1);
  EXPECT_DOUBLE_EQ(Remainder(-7, 3), -1);
  EXPECT_DOUBLE_EQ(Remainder(7.5, 2), 1.5);
}

}  // namespace
}  // namespace rudiruza
