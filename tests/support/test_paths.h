// Where the tests find the programs and folders they use.
#pragma once

#include <string>

namespace rudiruza::test {

// The kavo-service binary of this build.
std::string KavoServiceBinary();

// A fresh, empty temporary folder, removed when the process ends.
std::string MakeTempDir();

}  // namespace rudiruza::test
