#include "options.h"

#include <charconv>
#include <string_view>

namespace rudiruza::service {
namespace {

bool ParseInt(std::string_view text, int low, int high, int* value) {
  int v = 0;
  auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), v);
  if (ec != std::errc() || end != text.data() + text.size() || v < low || v > high) return false;
  *value = v;
  return true;
}

// "HOST:PORT" or "[V6]:PORT".
bool ParseListen(const std::string& text, std::string* host, int* port) {
  auto colon = text.rfind(':');
  if (colon == std::string::npos || colon == 0) return false;
  std::string h = text.substr(0, colon);
  if (h.size() >= 2 && h.front() == '[' && h.back() == ']') h = h.substr(1, h.size() - 2);
  if (h.empty()) return false;
  if (!ParseInt(std::string_view(text).substr(colon + 1), 0, 65535, port)) return false;
  *host = h;
  return true;
}

// Text that goes into pages and headers as it is: nothing that could end an attribute or a tag.
bool IsPlainUrlText(const std::string& text) {
  for (unsigned char c : text) {
    if (c <= 0x20 || c >= 0x7f || c == '"' || c == '<' || c == '>' || c == '\'' || c == '\\' ||
        c == '#' || c == '?')
      return false;
  }
  return true;
}

// "http://authority/path/": returns the path, or empty when the address is unusable.
std::string BasePathOf(const std::string& url) {
  const std::string scheme = "http://";
  if (url.compare(0, scheme.size(), scheme) != 0 || !IsPlainUrlText(url)) return std::string();
  auto slash = url.find('/', scheme.size());
  if (slash == std::string::npos || slash == scheme.size()) return std::string();
  std::string path = url.substr(slash);
  if (path.back() != '/' || path.find("/../") != std::string::npos ||
      path.find("/./") != std::string::npos || path.find("//") != std::string::npos)
    return std::string();
  return path;
}

bool IsCaptchaText(const std::string& text) {
  if (text.empty() || text.size() > 16) return false;
  for (unsigned char c : text)
    if (c <= 0x20 || c >= 0x7f || c == '&' || c == '=' || c == '%' || c == '+') return false;
  return true;
}

}  // namespace

ParsedOptions ParseOptions(const std::vector<std::string>& args) {
  ParsedOptions parsed;
  ServiceOptions& o = parsed.options;
  auto fail = [&](std::string message) {
    parsed.error = std::move(message);
    return parsed;
  };
  for (size_t i = 0; i < args.size(); ++i) {
    const std::string& arg = args[i];
    auto value = [&](std::string* out) {
      if (i + 1 >= args.size()) return false;
      *out = args[++i];
      return true;
    };
    std::string v;
    if (arg == "--help" || arg == "-h") {
      o.help = true;
    } else if (arg == "--listen") {
      if (!value(&v) || !ParseListen(v, &o.listenHost, &o.listenPort))
        return fail("--listen needs HOST:PORT, for example 127.0.0.1:8088");
    } else if (arg == "--catalogue") {
      if (!value(&o.catalogueDir) || o.catalogueDir.empty())
        return fail("--catalogue needs a folder");
    } else if (arg == "--base-url") {
      if (!value(&o.baseUrl)) return fail("--base-url needs an address");
      o.basePath = BasePathOf(o.baseUrl);
      if (o.basePath.empty())
        return fail(
            "--base-url must be an http:// address ending in \"/\", without quotes, "
            "spaces, query or fragment: " +
            o.baseUrl);
    } else if (arg == "--fixed-captcha") {
      if (!value(&o.fixedCaptcha) || !IsCaptchaText(o.fixedCaptcha))
        return fail("--fixed-captcha needs 1 to 16 printable ASCII characters without &=%+");
    } else if (arg == "--captcha-life") {
      if (!value(&v) || !ParseInt(v, 1, 24 * 3600 * 1000, &o.captchaLifeMs))
        return fail("--captcha-life needs milliseconds (1 to 86400000)");
    } else if (arg == "--expose-answers") {
      o.exposeAnswers = true;
    } else if (arg == "--threads") {
      if (!value(&v) || !ParseInt(v, 2, 1024, &o.threads))
        return fail("--threads needs a number from 2 to 1024");
    } else if (arg == "--make-sample") {
      if (!value(&o.makeSampleDir) || o.makeSampleDir.empty())
        return fail("--make-sample needs a folder");
    } else {
      return fail("unknown argument: " + arg + " (try --help)");
    }
  }
  return parsed;
}

std::string HelpText() {
  return R"(Usage: kavo-service [OPTIONS]
       kavo-service --make-sample DIR

Stand-in for the resource-info service: a front page with a captcha picture, the answer
pages to the form post "kavo_id=ID&token=TOKEN" (GBK HTML), and file downloads.

Options:
  --listen HOST:PORT     address to listen on (default 127.0.0.1:8088; port 0 picks a free
                         port). The first line on stdout is "listening http://HOST:PORT/".
  --catalogue DIR        folder with catalogue.tsv, UTF-8, one resource a line:
                           ID<TAB>name<TAB>type<TAB>path[<TAB>faults]
                         (seven-digit ID, name without the type, path relative to DIR,
                         "#" starts a comment line). Without it the catalogue is empty.
  --base-url URL         the service's base address, an http:// address ending in "/"
                         (default "http://" + the request's Host header + "/"). The
                         service answers below its path.
  --fixed-captcha TEXT   every captcha answer is TEXT, for any session, any number of
                         times (for tests; off by default).
  --captcha-life MS      how long a captcha answer stays valid (default 300000).
  --expose-answers       captcha pictures carry their answer in the header X-Kavo-Answer
                         (for tests; off by default).
  --threads N            worker threads, one per open connection (default 64).
  --make-sample DIR      write the sample catalogue into DIR and end.
  --help                 show this text.

Paths:
  BASE                   front page (GET): the captcha picture as
                         <a href="BASE"><img border=0 src="PICTURE"></a>; sets the session
                         cookie KAVOSID.
  BASE captcha.png       a fresh captcha picture (GET); its answer (the red, yellow, blue
                         and green characters, in that order, any case) is bound to the
                         session cookie, valid once, for --captcha-life.
  BASE (POST)            the answer page for kavo_id=ID&token=TOKEN.
  BASE d/ID              the file of catalogue entry ID (GET, HEAD; single byte ranges).

Faults (the catalogue's fifth column, or ?fault=... on a download address; comma-separated):
  drop=N                 close the connection after N body bytes
  norange                ignore Range: answer 200 with the whole file
  nolength               no Content-Length; the body ends when the connection closes
  badlength=N            announce N bytes more than are sent, then close
  rate=N                 send N bytes a second
  status=CODE            answer with that status (200-599) and an HTML body
  redirect               answer with one redirect to the same file first
  gzip                   gzip-encoded body (chunked, or close-delimited with nolength)
  delay=MS               wait MS milliseconds before the first byte (at most 600000)

Ends cleanly on SIGINT and SIGTERM. One log line per request on stderr:
method, path, status, body bytes sent, milliseconds. Unusable arguments, catalogue or
address: one error line on stderr and exit code 2.
)";
}

}  // namespace rudiruza::service
