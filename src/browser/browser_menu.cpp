#include "browser/browser_menu.h"

#include "browser/registry_text.h"
#include "browser/run_paths.h"
#include "browser/scheme_handler.h"
#include "browser/script_page.h"
#include "platform/encoding/encoding.h"

namespace rudiruza {
namespace {

constexpr int kClassesRoot = 1;
constexpr int kCurrentUser = 3;
constexpr char kMenuExtKey[] = "Software\\Microsoft\\Internet Explorer\\MenuExt";

}  // namespace

Text MenuEntryName() { return TextFromUtf8("Kavo-免积分下载"); }

bool RegisterProtocol(const Text& protocol, const Text& exePath) {
  if (!WriteRegistryText(kClassesRoot, protocol + "\\", "URL:" + protocol + " Protocol")) {
    return false;
  }
  if (!WriteRegistryText(kClassesRoot, protocol + "\\URL Protocol", Text())) return false;
  // Shell and Shell\Open come into being on the way, without values.
  if (!WriteRegistryText(kClassesRoot, protocol + "\\Shell\\Open\\Command\\",
                         "\"" + exePath + "\" \"%1\"")) {
    return false;
  }
  ExportSchemeHandler(protocol, exePath);
  return true;
}

bool UnregisterProtocol(const Text& protocol) {
  // No command, no handler: the desktop's side goes whatever the keys do.
  RemoveSchemeHandler(protocol);
  for (const char* key : {"\\Shell\\Open\\Command", "\\Shell\\Open", "\\Shell", ""}) {
    if (!DeleteRegistryItem(kClassesRoot, protocol + key)) return false;
  }
  return true;
}

bool RegisterMenuEntry(const Text& entryName, const Text& pagePath) {
  return WriteRegistryText(kCurrentUser, Text(kMenuExtKey) + "\\" + entryName + "\\", pagePath);
}

bool UnregisterMenuEntry(const Text& entryName) {
  return DeleteRegistryItem(kCurrentUser, Text(kMenuExtKey) + "\\" + entryName);
}

void RegisterBrowserMenuFor(const Text& exePath) {
  if (exePath.empty()) return;  // /proc/self/exe unreadable: nothing sensible to register
  Text pagePath = ScriptPagePathIn(RunDirectoryOf(exePath));
  RegisterProtocol(kProtocolName, exePath);
  WriteScriptPage(pagePath, ScriptPage(kProtocolName));
  RegisterMenuEntry(MenuEntryName(), pagePath);
}

void RegisterBrowserMenu(WindowPort& /*window*/) { RegisterBrowserMenuFor(ExePath()); }

void UnregisterBrowserMenu(WindowPort& window) {
  UnregisterProtocol(kProtocolName);
  UnregisterMenuEntry(MenuEntryName());
  Text done = TextFromUtf8("注销成功！");
  window.ShowMessage(done, done, kMessageOk);
}

}  // namespace rudiruza
