// The page that the browser's context-menu entry runs: it finds the link under the mouse and
// navigates a hidden frame to the protocol URL "RudiRuzaC://[<url>]<address>[<url>]".
#pragma once

#include "lookup/text.h"

namespace rudiruza {

// The page with "RudiRuza" where the protocol name goes: 60 CR LF separated lines, 1754 bytes,
// no line end after the last line "</html>".
Text PageTemplate();

// The template with the protocol name filled in (1756 bytes for "RudiRuzaC").
Text ScriptPage(const Text& protocolName);

// Creates or truncates the file at path (Text) and writes page as raw bytes. A failure is not
// reported: the caller goes on without a page.
void WriteScriptPage(const Text& path, const Text& page);

}  // namespace rudiruza
