#include "browser/script_page.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>

#include "platform/encoding/encoding.h"

namespace rudiruza {
namespace {

struct PageLine {
  int tabs;
  const char* text;
};

// clang-format off
constexpr PageLine kPageLines[] = {
    {0, "<html>"},
    {0, "<body>"},
    {0, "<script language=\"VBScript\">"},
    {0, ""},
    {0, "Function AddLink(L,T)"},
    {0, "set iframe = document.createElement(\"iframe\")"},
    {0, "iframe.id = \"RudiRuza\""},
    {0, "iframe.src = \"RudiRuza://[<url>]\"&L&\"[<url>]\""},
    {0, "iframe.scrolling = \"No\""},
    {0, "iframe.height = 1"},
    {0, "iframe.width = 1"},
    {0, "iframe.frameborder = \"No\""},
    {0, "iframe.border = 0"},
    {0, "iframe.framespacing = 0"},
    {0, "document.body.appendChild(iframe)"},
    {0, "End Function"},
    {0, ""},
    {0, "Sub OnContextMenu()"},
    {1, "set srcEvent = external.menuArguments.event"},
    {1, "set EventElement = external.menuArguments.document.elementFromPoint ( srcEvent.clientX, srcEvent.clientY )"},
    {1, "if srcEvent.type = \"MenuExtAnchor\" then "},
    {2, "set srcAnchor = EventElement"},
    {2, "do until TypeName(srcAnchor)=\"HTMLAnchorElement\""},
    {3, "set srcAnchor=srcAnchor.parentElement"},
    {2, "Loop"},
    {2, "Call AddLink(srcAnchor.href,srcAnchor.innerText)"},
    {1, "elseif srcEvent.type=\"MenuExtImage\" then"},
    {2, "if TypeName(EventElement)=\"HTMLAreaElement\" then"},
    {3, "Call AddLink(EventElement.href,EventElement.Alt)"},
    {2, "else "},
    {3, "set srcImage = EventElement"},
    {3, "set srcAnchor = srcImage.parentElement"},
    {3, "do until TypeName(srcAnchor)=\"HTMLAnchorElement\""},
    {4, "set srcAnchor=srcAnchor.parentElement"},
    {4, "if TypeName(srcAnchor)=\"Nothing\" then "},
    {5, "call AddLink(srcImage.href,srcImage.Alt)"},
    {5, "exit sub"},
    {4, "end if"},
    {3, "Loop"},
    {3, "Call AddLink(srcAnchor.href,srcImage.Alt)"},
    {2, "end if"},
    {1, "elseif srcEvent.type=\"MenuExtUnknown\" then"},
    {2, "set srcAnchor = EventElement"},
    {2, "do until TypeName(srcAnchor)=\"HTMLAnchorElement\""},
    {3, "set srcAnchor=srcAnchor.parentElement"},
    {3, "if TypeName(srcAnchor)=\"Nothing\" then "},
    {4, "Call AddLink(EventElement.href,EventElement.innerText)"},
    {4, "exit sub"},
    {3, "end if"},
    {2, "Loop"},
    {2, "Call AddLink(srcAnchor.href,srcAnchor.innerText)"},
    {1, "elseif 1=1 then"},
    {2, "MsgBox(\"error\")"},
    {1, "end if"},
    {0, "end sub"},
    {0, ""},
    {0, "call OnContextMenu()"},
    {0, "</script>"},
    {0, "</body>"},
    {0, "</html>"},
};
// clang-format on

}  // namespace

Text PageTemplate() {
  Text page;
  for (const PageLine& line : kPageLines) {
    if (!page.empty()) page += "\r\n";
    page.append(static_cast<std::size_t>(line.tabs), '\t');
    page += line.text;
  }
  return page;
}

Text ScriptPage(const Text& protocolName) {
  return ReplaceSubtext(PageTemplate(), "RudiRuza", protocolName, 1, kReplaceAll, true);
}

void WriteScriptPage(const Text& path, const Text& page) {
  if (path.empty()) return;
  Bytes bytes = TextToBytes(page);
  int fd = ::open(Utf8FromText(path).c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
  if (fd < 0) return;
  const unsigned char* data = bytes.data();
  std::size_t left = bytes.size();
  while (left > 0) {
    ssize_t n = ::write(fd, data, left);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) break;
    data += n;
    left -= static_cast<std::size_t>(n);
  }
  ::close(fd);
}

}  // namespace rudiruza
