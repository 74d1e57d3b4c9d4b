#include "lookup/text.h"

#include <gtest/gtest.h>

namespace rudiruza {
namespace {

TEST(TextCuts, Placeholder) { EXPECT_EQ(TextLeft("abc", 5), "abc"); }

}  // namespace
}  // namespace rudiruza
