#include "platform/command_line/command_line.h"

#include <gtest/gtest.h>

namespace rudiruza {
namespace {

TEST(SplitCommandLine, Forms) {
  using Args = std::vector<Text>;
  struct Row {
    Text line;
    Args want;
  } rows[] = {
      {"", {}},
      {"prog.exe", {}},
      {"\"C:\\Program Files\\r.exe\"", {}},
      // What the protocol registration writes: a quoted path and the quoted link.
      {"\"C:\\a b\\r.exe\" \"RudiRuzaC://[<url>]http://h/1234567[<url>]/\"",
       {"RudiRuzaC://[<url>]http://h/1234567[<url>]/"}},
      {"\"C:\\r.exe\"  x", {"x"}},  // one space after the quote is the path's
      {"r.exe a  b\tc", {"a", "b", "c"}},
      {"r.exe \"a b\" c", {"a b", "c"}},
      {"r.exe \"\"", {""}},  // an empty argument counts
      {"r.exe \"\" \"\"", {"", ""}},
      {"r.exe \"open", {"open"}},          // an unclosed quote runs to the end
      {"r.exe a\"b c\"", {"a", "b c"}},    // a quote ends a plain argument
      {"r.exe C:\\dir\\", {"C:\\dir\\"}},  // no escapes
      {"r.exe \xB0\x20x", {"\xB0\x20x"}},  // a second byte never separates
      {"r.exe \"\xB0\"\"", {"\xB0\""}},    // nor closes a quote
      {"r.exe ab \xB0", {"ab"}},           // a first byte at the end ends the scan
      {"\"unclosed path", {}},
  };
  for (const Row& r : rows) EXPECT_EQ(SplitCommandLine(r.line), r.want) << r.line;
}

TEST(LinkAddress, BetweenMarkers) {
  EXPECT_EQ(LinkAddress("RudiRuzaC://[<url>]http://h/x/1234567[<url>]/"), "http://h/x/1234567");
  EXPECT_EQ(LinkAddress("RudiRuzaC://[<url>]http://h/x"), "");
  EXPECT_EQ(LinkAddress("[<url>][<url>]"), "");
  EXPECT_EQ(LinkAddress("not a link"), "");
}

}  // namespace
}  // namespace rudiruza
