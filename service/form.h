// Percent-encoding both ways. The query form's body, "kavo_id=ID&token=TOKEN". The downloader sends
// the values as raw bytes (GBK, unescaped); browsers percent-encode them. Both are taken.
#pragma once

#include <string>

namespace rudiruza::service {

// The value of field name in body: "+" becomes a space and well-formed %XX sequences their byte;
// every other byte stays as it is. Empty when the field is absent.
std::string FormField(const std::string& body, const std::string& name);

// text with every byte but ASCII letters, digits and those in safe written as %XX.
std::string PercentEncode(const std::string& text, const std::string& safe);

}  // namespace rudiruza::service
