#include "pages.h"

#include <cstdio>

#include "platform/encoding/encoding.h"

namespace rudiruza::service {
namespace {

std::string Head(const std::string& title) {
  return "<!DOCTYPE html>\n<html><head><meta http-equiv=\"Content-Type\" content=\"text/html; "
         "charset=gbk\"><title>" +
         title + "</title></head>\n<body>\n";
}

// One row as the downloader reads it: label, then the value cell.
std::string Row(const std::string& label, const std::string& value, const std::string& after) {
  return "<tr><th><div align=\"right\">" + label + "</div></th><td><div align=\"left\">" + value +
         "</div></td>" + after + "</tr>\n";
}

std::string QueryForm(const std::string& base) {
  return "<form method=\"post\" action=\"" + base +
         "\">\n<p>资源ID：<input name=\"kavo_id\" size=\"10\"> 验证码：<input name=\"token\" "
         "size=\"8\"> <input type=\"submit\" value=\"获取资源信息\"></p>\n</form>\n";
}

std::string Gbk(const std::string& utf8) { return rudiruza::TextFromUtf8(utf8); }

std::string SizeText(std::uint64_t size) {
  char buffer[64];
  if (size >= 1024 * 1024)
    std::snprintf(buffer, sizeof buffer, "%.2f MB", size / (1024.0 * 1024.0));
  else if (size >= 1024)
    std::snprintf(buffer, sizeof buffer, "%.2f KB", size / 1024.0);
  else
    std::snprintf(buffer, sizeof buffer, "%llu 字节", static_cast<unsigned long long>(size));
  return buffer;
}

}  // namespace

std::string FrontPage(const std::string& base, const std::string& pictureUrl) {
  return Gbk(Head("资源信息查询") +
             "<h1>资源信息查询</h1>\n<p>请看上图按顺序写出 红，黄，蓝，绿颜色字</p>\n" +
             "<p><a href=\"" + base + "\"><img border=0 src=\"" + pictureUrl + "\"></a></p>\n" +
             QueryForm(base) + "</body></html>\n");
}

std::string WrongTokenPage(const std::string& base) {
  return Gbk(Head("资源信息查询") +
             "<p class=\"error\">token码错误，请刷新验证码后重新输入。</p>\n" + "<p><a href=\"" +
             base + "\">返回</a></p>\n</body></html>\n");
}

std::string StatusPage(const std::string& base, const std::string& messageUtf8) {
  return Gbk(Head("资源信息查询") + "<table class=\"info\">\n" +
             Row("状　　态：", messageUtf8, "") + "</table>\n" + "<p><a href=\"" + base +
             "\">返回</a></p>\n</body></html>\n");
}

std::string SuccessPage(const std::string& base, const std::string& downloadUrl,
                        const std::string& nameUtf8, const std::string& typeUtf8,
                        std::uint64_t size) {
  return Gbk(
      Head("资源信息") + "<p class=\"ok\">获取资源信息成功</p>\n<table class=\"info\">\n" +
      Row("文件名称：", nameUtf8, "") + Row("文件类型：", typeUtf8 + "文件", "") +
      Row("文件大小：", SizeText(size), "") +
      Row("电信下载地址：", downloadUrl, "<td><a href=\"" + downloadUrl + "\">点击下载</a></td>") +
      "</table>\n<p><a href=\"" + base + "\">继续查询</a></p>\n</body></html>\n");
}

std::string ErrorPage(int status, const std::string& messageUtf8) {
  std::string code = std::to_string(status);
  return Gbk(Head(code) + "<h1>" + code + "</h1>\n<p>" + messageUtf8 + "</p>\n</body></html>\n");
}

}  // namespace rudiruza::service
