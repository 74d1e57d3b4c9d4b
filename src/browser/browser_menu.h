// Registration of the program as the handler of the "RudiRuzaC" URL protocol and of the
// browser context-menu entry "Kavo-免积分下载" that runs the script page, and their removal.
// The registry keys are the Windows ones, kept in our registry store; the protocol is also
// exported to the Linux desktop as an x-scheme-handler.
#pragma once

#include "lookup/text.h"
#include "platform/window/window_port.h"

namespace rudiruza {

inline constexpr char kProtocolName[] = "RudiRuzaC";

// "Kavo-免积分下载" (GB18030).
Text MenuEntryName();

// The three protocol values below HKEY_CLASSES_ROOT\<protocol>; stops at the first that cannot
// be written. Once the command is written the desktop handler is exported too.
bool RegisterProtocol(const Text& protocol, const Text& exePath);
// Deletes Shell\Open\Command, Shell\Open, Shell and the protocol key, stopping at the first that
// cannot be deleted, and removes the desktop handler. True when all four keys went.
bool UnregisterProtocol(const Text& protocol);
bool RegisterMenuEntry(const Text& entryName, const Text& pagePath);
bool UnregisterMenuEntry(const Text& entryName);

// The "注册右键" button: protocol, script page and menu entry for this executable. Shows
// nothing, whatever fails.
void RegisterBrowserMenu(WindowPort& window);
// The same for a given executable path (Text); the page goes into its folder.
void RegisterBrowserMenuFor(const Text& exePath);

// The "注销右键" button: removes the protocol and the menu entry (the page stays) and then tells
// the user "注销成功！" in every case.
void UnregisterBrowserMenu(WindowPort& window);

}  // namespace rudiruza
