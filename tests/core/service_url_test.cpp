#include "lookup/service_url.h"

#include <gtest/gtest.h>

#include <cstdlib>

namespace rudiruza {
namespace {

TEST(ServiceBaseUrl, FromTheEnvironmentElseTheDefault) {
  const char* saved = std::getenv("KAVO_SERVICE_URL");
  const std::string keep = saved ? saved : "";
  unsetenv("KAVO_SERVICE_URL");
  EXPECT_EQ(ServiceBaseUrl(), "http://127.0.0.1:8088/");
  setenv("KAVO_SERVICE_URL", "http://10.0.0.7:9000/", 1);
  EXPECT_EQ(ServiceBaseUrl(), "http://10.0.0.7:9000/");
  setenv("KAVO_SERVICE_URL", "http://10.0.0.7:9000", 1);  // the final slash is added
  EXPECT_EQ(ServiceBaseUrl(), "http://10.0.0.7:9000/");
  if (saved) {
    setenv("KAVO_SERVICE_URL", keep.c_str(), 1);
  } else {
    unsetenv("KAVO_SERVICE_URL");
  }
}

}  // namespace
}  // namespace rudiruza
