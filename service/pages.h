// The service's HTML pages, in GBK (GB18030 bytes), in the shapes the downloader reads: the
// captcha link on the front page, the marker phrases and the label/value rows of the answers.
#pragma once

#include <cstdint>
#include <string>

namespace rudiruza::service {

// Holds <a href="BASE"><img border=0 src="PICTURE"></a> and the query form.
std::string FrontPage(const std::string& base, const std::string& pictureUrl);

// Contains "token码错误".
std::string WrongTokenPage(const std::string& base);

// Neither marker phrase; a status row "状    态：" whose value is messageUtf8.
std::string StatusPage(const std::string& base, const std::string& messageUtf8);

// "获取资源信息成功" and the rows of address (followed at once by "</div></td><td><a"), file
// name, and type (followed by "文件</div>"). Name and type are UTF-8, written unescaped.
std::string SuccessPage(const std::string& base, const std::string& downloadUrl,
                        const std::string& nameUtf8, const std::string& typeUtf8,
                        std::uint64_t size);

// A short page for errors (unknown path, bad request, injected status).
std::string ErrorPage(int status, const std::string& messageUtf8);

inline constexpr const char* kPageContentType = "text/html; charset=GBK";

}  // namespace rudiruza::service
