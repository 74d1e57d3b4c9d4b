#include "server.h"

#include <sys/socket.h>

#include <algorithm>
#include <atomic>
#include <cctype>
#include <filesystem>

#include "captcha.h"
#include "downloads.h"
#include "form.h"
#include "pages.h"
#include "request_log.h"
#include "stopping.h"

namespace rudiruza::service {
namespace {

constexpr size_t kMaxBody = 64 * 1024;
constexpr size_t kMaxSessions = 10000;

std::string Lower(std::string text) {
  std::transform(text.begin(), text.end(), text.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  return text;
}

// Paths never name files here, but a path that tries to climb out is refused outright, in any
// spelling: dot-dot, backslashes, encoded dots or slashes (also doubly encoded), NUL.
bool IsSuspiciousPath(const std::string& decodedPath) {
  std::string p = Lower(decodedPath);
  return p.find("..") != std::string::npos || p.find('\\') != std::string::npos ||
         p.find('\0') != std::string::npos || p.find("%2e") != std::string::npos ||
         p.find("%2f") != std::string::npos || p.find("%5c") != std::string::npos || p.empty() ||
         p[0] != '/';
}

// A Host header that may go into a page as it is.
bool IsPlainHost(const std::string& host) {
  if (host.empty() || host.size() > 255) return false;
  return std::all_of(host.begin(), host.end(), [](unsigned char c) {
    return std::isalnum(c) || c == '.' || c == '-' || c == ':' || c == '[' || c == ']';
  });
}

bool IsSevenDigits(const std::string& id) {
  return id.size() == 7 &&
         std::all_of(id.begin(), id.end(), [](unsigned char c) { return c >= '0' && c <= '9'; });
}

std::string TrimSpaces(const std::string& text) {
  auto first = text.find_first_not_of(" \t\r\n");
  if (first == std::string::npos) return std::string();
  return text.substr(first, text.find_last_not_of(" \t\r\n") - first + 1);
}

void SetPage(httplib::Response& response, int status, const std::string& page) {
  response.status = status;
  response.set_content(page, kPageContentType);
}

}  // namespace

KavoServer::KavoServer(ServiceOptions options, Catalogue catalogue)
    : options_(std::move(options)),
      catalogue_(std::move(catalogue)),
      sessions_(std::chrono::milliseconds(options_.captchaLifeMs), kMaxSessions) {
  const int threads = options_.threads;
  server_.new_task_queue = [threads] { return new httplib::ThreadPool(threads); };
  server_.set_payload_max_length(kMaxBody);
  server_.set_keep_alive_max_count(100);
  // Headers and body go out in separate writes; without this, Nagle and delayed ACKs add 40 ms
  // to every small answer on a kept-alive connection.
  server_.set_tcp_nodelay(true);
  // The library's default also sets SO_REUSEPORT, which would let a second service share a port
  // that is in use instead of refusing it.
  server_.set_socket_options([](int socket) {
    int yes = 1;
    setsockopt(socket, SOL_SOCKET, SO_REUSEADDR, &yes, sizeof yes);
  });
  server_.set_read_timeout(5, 0);
  server_.set_write_timeout(5, 0);

  const std::string base = options_.basePath;
  // Everything that could make the library read a request body on its own (which, for chunked
  // bodies, it would do without limit) is answered here, before any body is read: only the query
  // form's POST carries one, and its handler reads it with a cap.
  server_.set_pre_routing_handler(
      [base](const httplib::Request& request, httplib::Response& response) {
        BeginRequest();
        // Ranges are ours to answer (416, the norange fault): the library must not apply them
        // again.
        const_cast<httplib::Request&>(request).ranges.clear();
        if (IsSuspiciousPath(request.path)) {
          SetPage(response, 400, ErrorPage(400, "请求的路径无效"));
          return httplib::Server::HandlerResponse::Handled;
        }
        const std::string& method = request.method;
        if (method != "GET" && method != "HEAD" && method != "POST") {
          response.set_header("Allow", "GET, HEAD, POST");
          SetPage(response, 405, ErrorPage(405, "不支持的请求方法"));
          return httplib::Server::HandlerResponse::Handled;
        }
        if (method == "POST" && request.path != base) {
          SetPage(response, 404, ErrorPage(404, "页面不存在"));
          return httplib::Server::HandlerResponse::Handled;
        }
        return httplib::Server::HandlerResponse::Unhandled;
      });
  server_.set_error_handler([](const httplib::Request&, httplib::Response& response) {
    if (response.body.empty() && response.status >= 400)
      response.set_content(ErrorPage(response.status, "请求无法处理"), kPageContentType);
  });
  server_.set_exception_handler(
      [](const httplib::Request&, httplib::Response& response, std::exception_ptr) {
        SetPage(response, 500, ErrorPage(500, "服务内部错误"));
      });
  server_.set_logger(LogRequest);

  const std::string anyPath = "[\\s\\S]*";
  server_.Get(anyPath, [this, base](const httplib::Request& request, httplib::Response& response) {
    const std::string& path = request.path;
    const std::string files = base + "d/";
    if (path == base) {
      ServeFrontPage(request, response);
    } else if (path == base + "captcha.png") {
      ServePicture(request, response);
    } else if (path.compare(0, files.size(), files) == 0) {
      ServeFile(request, response, path.substr(files.size()));
    } else {
      SetPage(response, 404, ErrorPage(404, "页面不存在"));
    }
  });
  server_.Post(anyPath, [this](const httplib::Request& request, httplib::Response& response,
                               const httplib::ContentReader& reader) {
    if (request.get_header_value_count("Content-Length") > 0 &&
        request.get_header_value<std::uint64_t>("Content-Length") > kMaxBody) {
      SetPage(response, 413, ErrorPage(413, "请求内容过长"));
      return;
    }
    // The form is always sent url-encoded; the library's multipart reader is not set up here.
    if (request.is_multipart_form_data()) {
      SetPage(response, 415, ErrorPage(415, "不支持的表单编码"));
      return;
    }
    std::string body;
    bool tooLong = false;
    bool complete = reader([&](const char* data, size_t length) {
      tooLong = body.size() + length > kMaxBody;
      if (!tooLong) body.append(data, length);
      return !tooLong;
    });
    if (tooLong) {
      SetPage(response, 413, ErrorPage(413, "请求内容过长"));
      return;
    }
    if (!complete) {
      SetPage(response, 400, ErrorPage(400, "请求内容不完整"));
      return;
    }
    ServeQuery(request, body, response);
  });
}

bool KavoServer::Bind(std::string* error) {
  if (options_.listenPort == 0) {
    port_ = server_.bind_to_any_port(options_.listenHost);
  } else {
    port_ =
        server_.bind_to_port(options_.listenHost, options_.listenPort) ? options_.listenPort : -1;
  }
  if (port_ <= 0) {
    *error = "cannot listen on " + options_.listenHost + ":" + std::to_string(options_.listenPort) +
             " (address in use, not local, or not allowed)";
    return false;
  }
  return true;
}

bool KavoServer::Run() { return server_.listen_after_bind(); }

void KavoServer::Stop() {
  Stopping().store(true);
  server_.stop();
}

bool KavoServer::Listening() const { return server_.is_running(); }

std::string KavoServer::BaseFor(const httplib::Request& request) const {
  if (!options_.baseUrl.empty()) return options_.baseUrl;
  std::string host = request.get_header_value("Host");
  if (!IsPlainHost(host)) {
    bool v6 = options_.listenHost.find(':') != std::string::npos;
    host =
        (v6 ? "[" + options_.listenHost + "]" : options_.listenHost) + ":" + std::to_string(port_);
  }
  return "http://" + host + options_.basePath;
}

std::string KavoServer::SessionFor(const httplib::Request& request, httplib::Response& response) {
  std::string session = sessions_.Known(request.get_header_value("Cookie"));
  if (session.empty()) {
    session = sessions_.Create();
    response.set_header("Set-Cookie", std::string(kSessionCookie) + "=" + session +
                                          "; Path=" + options_.basePath + "; HttpOnly");
  }
  return session;
}

void KavoServer::ServeFrontPage(const httplib::Request& request, httplib::Response& response) {
  SessionFor(request, response);
  static std::atomic<unsigned long long> pictures{0};
  const std::string base = BaseFor(request);
  std::string picture = base + "captcha.png?n=" + std::to_string(++pictures);
  response.set_header("Cache-Control", "no-store");
  SetPage(response, 200, FrontPage(base, picture));
}

void KavoServer::ServePicture(const httplib::Request& request, httplib::Response& response) {
  std::string session = SessionFor(request, response);
  Captcha captcha;
  {
    std::lock_guard lock(sessions_.RandomLock());
    captcha = MakeCaptcha(sessions_.Random(), options_.fixedCaptcha);
  }
  std::string png = RenderCaptchaPng(captcha);
  if (png.empty()) {
    SetPage(response, 500, ErrorPage(500, "验证码图片生成失败"));
    return;
  }
  sessions_.SetAnswer(session, captcha.answer);
  response.set_header("Cache-Control", "no-store");
  if (options_.exposeAnswers) response.set_header("X-Kavo-Answer", captcha.answer);
  response.status = 200;
  response.set_content(png, "image/png");
}

void KavoServer::ServeQuery(const httplib::Request& request, const std::string& body,
                            httplib::Response& response) {
  const std::string base = BaseFor(request);
  const std::string token = FormField(body, "token");
  bool accepted = false;
  if (!options_.fixedCaptcha.empty()) {
    // Fixed answers serve tests: right for anyone, any number of times.
    accepted = CaptchaAnswerMatches(options_.fixedCaptcha, token);
  } else {
    std::string session = sessions_.Known(request.get_header_value("Cookie"));
    accepted = !session.empty() && sessions_.Check(session, token);
  }
  response.set_header("Cache-Control", "no-store");
  if (!accepted) {
    SetPage(response, 200, WrongTokenPage(base));
    return;
  }
  const std::string id = TrimSpaces(FormField(body, "kavo_id"));
  if (id.empty()) {
    SetPage(response, 200, StatusPage(base, "请输入资源ID"));
    return;
  }
  const CatalogueEntry* entry = catalogue_.Find(id);
  if (entry == nullptr) {
    SetPage(response, 200, StatusPage(base, "资源不存在或已被删除"));
    return;
  }
  std::error_code ec;
  auto size = std::filesystem::file_size(entry->path, ec);
  SetPage(response, 200,
          SuccessPage(base, base + "d/" + entry->id, entry->name, entry->type, ec ? 0 : size));
}

void KavoServer::ServeFile(const httplib::Request& request, httplib::Response& response,
                           const std::string& id) {
  const CatalogueEntry* entry = IsSevenDigits(id) ? catalogue_.Find(id) : nullptr;
  if (entry == nullptr) {
    SetPage(response, 404, ErrorPage(404, "资源不存在或已被删除"));
    return;
  }
  Faults faults = entry->faults;
  // From the raw query: the library's parameter split stops a value at its first "=".
  auto question = request.target.find('?');
  const std::string query =
      question == std::string::npos ? std::string() : request.target.substr(question + 1);
  std::string asked = FormField(query, "fault");
  std::string why;
  if (!AddFaults(asked, &faults, &why)) {
    SetPage(response, 400, ErrorPage(400, "无效的参数"));
    return;
  }
  std::string redirectUrl;
  if (FormField(query, "via") != "redirect") {
    redirectUrl = BaseFor(request) + "d/" + entry->id + "?" +
                  (asked.empty() ? std::string() : "fault=" + PercentEncode(asked, ",=-_.") + "&") +
                  "via=redirect";
  }
  ServeDownload(request, response, *entry, faults, redirectUrl);
}

}  // namespace rudiruza::service
