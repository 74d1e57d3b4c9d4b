// The question to the resource-info service and the reading of its answer page.
#pragma once

#include "lookup/text.h"
#include "platform/window/window_port.h"
#include "platform/window/window_state.h"

namespace rudiruza {

enum class QueryOutcome { CaptchaWrong, Failed, Found };

struct ResourceInfo {
  QueryOutcome outcome = QueryOutcome::Failed;
  Text downloadUrl;  // Found
  Text fileName;     // Found: without the type
  Text fileType;     // Found: e.g. "RAR"
  Text statusText;   // Failed: the service's message, may be empty
};

// The resource ID for what the address box holds: a text that reads as a number other than 0
// as it is, anything else (an address) as its last seven bytes without spaces.
Text ResourceIdFromBox(const Text& boxText);

// Sets state.resourceId from the address box "编辑框_id".
void NormaliseResourceId(WindowPort& window, WindowState& state);

// Reads an answer page (GBK): a wrong captcha wins over success; without success the status
// row; with it the address, name and type rows.
ResourceInfo ClassifyAnswer(const Text& page);

// Posts the ID and the captcha characters (spaces removed, neither escaped) to the service and
// classifies its answer. An unreachable service gives Failed with no status text.
ResourceInfo QueryResourceInfo(const Text& resourceId, const Text& captchaText);
// The same against the service at baseUrl.
ResourceInfo QueryResourceInfoAt(const Text& baseUrl, const Text& resourceId,
                                 const Text& captchaText);

}  // namespace rudiruza
