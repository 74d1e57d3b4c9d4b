#include "platform/encoding/encoding.h"

#include <gtest/gtest.h>

namespace rudiruza {
namespace {

TEST(Encoding, RoundTripsValidUtf8) {
  const std::string samples[] = {
      "",
      "plain ascii 123",
      "Kavo-免积分下载",
      "请看上图按顺序写出 红，黄，蓝，绿颜色字",
      "emoji \xF0\x9F\x98\x80 and \xF0\xA0\x80\x80 outside the BMP",
      "€ ü ß é",
  };
  for (const auto& utf8 : samples) {
    Text text = TextFromUtf8(utf8);
    EXPECT_EQ(Utf8FromText(text), utf8) << utf8;
  }
}

TEST(Encoding, GbkBytes) {
  EXPECT_EQ(TextFromUtf8("文件"), "\xCE\xC4\xBC\xFE");
  EXPECT_EQ(TextFromUtf8("\xF0\xA0\x80\x80"), "\x95\x32\x82\x36");
  EXPECT_EQ(Utf8FromText("\xA1\xA1"), "\xE3\x80\x80");  // full-width space
}

TEST(Encoding, BadInputNeverFails) {
  // A lead byte at the end, and a lead byte followed by a byte no GB18030 sequence allows.
  EXPECT_EQ(Utf8FromText("a\xB0"), "a\xEF\xBF\xBD");
  EXPECT_EQ(Utf8FromText("\x81\x7F"
                         "b"),
            "\xEF\xBF\xBD\x7F"
            "b");
  // Invalid UTF-8 becomes the GB18030 form of U+FFFD; NUL is dropped from a text.
  EXPECT_EQ(TextFromUtf8("x\xFFy"), "x\x84\x31\xA4\x37y");
  EXPECT_EQ(TextFromUtf8(std::string("a\0b", 3)), "ab");
  // A long text needs the output to grow more than once.
  std::string longText;
  for (int i = 0; i < 5000; ++i) longText += "下载";
  EXPECT_EQ(Utf8FromText(TextFromUtf8(longText)), longText);
}

}  // namespace
}  // namespace rudiruza
