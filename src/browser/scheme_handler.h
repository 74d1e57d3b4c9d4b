// The desktop's side of a URL protocol: a desktop entry in the user's applications folder that
// starts the program with the URL as its one argument, made the user's default handler of
// x-scheme-handler/<scheme> in mimeapps.list (the way `xdg-mime default` does it). Browsers hand
// over schemes in lower case while xdg-open looks a scheme up as written, so both spellings are
// declared. Only the user's own folders are touched.
#pragma once

#include <string>
#include <string_view>

#include "lookup/text.h"

namespace rudiruza {

// "rudiruza-rudiruzac.desktop" for "RudiRuzaC".
std::string SchemeHandlerId(const Text& protocol);
// $XDG_DATA_HOME/applications/<id> (else ~/.local/share/applications/<id>).
std::string SchemeHandlerEntryPath(const Text& protocol);
// $XDG_CONFIG_HOME/mimeapps.list (else ~/.config/mimeapps.list).
std::string MimeappsListPath();

// Writes the desktop entry for exePath (Text) and makes it the default handler. False when the
// protocol is no URL scheme or a file could not be written.
bool ExportSchemeHandler(const Text& protocol, const Text& exePath);
// Removes the desktop entry and the defaults that name it; others' entries stay.
void RemoveSchemeHandler(const Text& protocol);

// The parts, on plain strings (UTF-8).
std::string DesktopExecArgument(const std::string& path);
std::string DesktopEntryText(const Text& protocol, const std::string& exePath);
std::string SetMimeDefault(std::string_view list, const std::string& mimeType,
                           const std::string& desktopId);
std::string RemoveMimeDefault(std::string_view list, const std::string& mimeType,
                              const std::string& desktopId);

}  // namespace rudiruza
