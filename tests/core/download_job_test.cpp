// The download job end to end against the real kavo-service (or, for answers the service never
// gives, the capture server), with the recording window.
#include "download/download_job.h"

#include <gtest/gtest.h>
#include <stdlib.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <future>
#include <sstream>
#include <thread>

#include "platform/encoding/encoding.h"
#include "platform/stop/stop.h"
#include "platform/window/ui_states.h"
#include "support/capture_server.h"
#include "support/fake_window.h"
#include "support/kavo_service.h"
#include "support/test_files.h"
#include "support/test_paths.h"

namespace rudiruza {
namespace {

using test::PatternBytes;
using test::ReadFile;

namespace fs = std::filesystem;
using test::CatalogueEntry;
using test::FakeWindow;
using test::KavoService;

Text G(const char* utf8) { return TextFromUtf8(utf8); }

class DownloadJobTest : public ::testing::Test {
 protected:
  void SetUp() override { folder_ = test::MakeTempDir(); }

  void StartService(std::vector<CatalogueEntry> entries) {
    const std::string catalogue = test::MakeTempDir();
    test::WriteCatalogue(catalogue, entries);
    KavoService::Options options;
    options.catalogueDir = catalogue;
    service_ = std::make_unique<KavoService>(options);
    setenv("KAVO_SERVICE_URL", service_->BaseUrl().c_str(), 1);
  }

  JobSettings Settings(const Text& id) {
    JobSettings settings;
    settings.savePath = TextFromUtf8(folder_ + "/") + kSmartNameMarker;
    settings.resourceId = id;
    settings.showInFileManager = [this](const Text& path) { shown_.push_back(path); };
    return settings;
  }

  // Starts the job as the window would: busy state first, then the worker with its stop token.
  std::future<JobResult> Launch(const JobSettings& settings, const Text& captcha = "ABCD") {
    window_->SetText("编辑框_验证码", captcha);
    EnterBusyState(*window_);
    return std::async(std::launch::async, [this, settings] {
      ThreadStopScope scope(stop_.get_token());
      return RunDownloadJob(*window_, settings, gate_);
    });
  }

  JobResult Run(const JobSettings& settings, const Text& captcha = "ABCD") {
    return Launch(settings, captcha).get();
  }

  // What Cancel does on the window's thread.
  void Cancel() {
    std::lock_guard lock(gate_.Mutex());
    ResetUiControls(*window_);
    stop_.request_stop();
  }

  std::vector<Text> MessageTexts() const {
    std::vector<Text> texts;
    for (const auto& m : window_->Messages()) texts.push_back(m.text);
    return texts;
  }

  void ExpectIdle() {
    EXPECT_TRUE(window_->IsEnabled("按钮_开始"));
    EXPECT_TRUE(window_->IsEnabled("按钮_注册右键"));
    EXPECT_FALSE(window_->IsEnabled("按钮_取消"));
    EXPECT_EQ(window_->GetPosition("进度条1"), 0);
    EXPECT_EQ(window_->GetText("标签_大小"), "");
  }

  std::string folder_;
  std::unique_ptr<KavoService> service_;
  std::unique_ptr<FakeWindow> window_ = std::make_unique<FakeWindow>();
  JobGate gate_;
  std::stop_source stop_;
  std::vector<Text> shown_;
};

TEST_F(DownloadJobTest, DownloadLandsUnderItsSmartName) {
  const std::string content = PatternBytes(60000, 1);
  StartService({{"1234567", "my file", "rar", content, ""}});
  const JobResult result = Run(Settings("1234567"), "AB CD");  // spaces are not sent

  EXPECT_EQ(result.ending, JobEnding::kIdle);
  const fs::path target = fs::path(folder_) / "myfile.rar";
  EXPECT_TRUE(ReadFile(target) == content);
  EXPECT_FALSE(fs::exists(folder_ + "/myfile.rar.tmp"));
  EXPECT_EQ(window_->GetText("编辑框_文件名"), "my file.rar");
  EXPECT_EQ(window_->GetText("编辑框_id"), service_->FileUrl("1234567"));
  EXPECT_EQ(window_->GetText("编辑框_验证码"), "");
  ASSERT_EQ(window_->Messages().size(), 1u);
  EXPECT_EQ(window_->Messages()[0].text, G("下载完成！"));
  EXPECT_EQ(window_->Messages()[0].style, kMessageOk);
  EXPECT_EQ(shown_, std::vector<Text>{TextFromUtf8(target.string())});
  EXPECT_FALSE(window_->Picture("图片框1").empty());  // a new captcha
  // The progress display ran and the bar stood at its maximum before the reset.
  const auto log = window_->Log();
  EXPECT_NE(std::find(log.begin(), log.end(), "进度条1=10000"), log.end());
  EXPECT_NE(std::find(log.begin(), log.end(), "标签_大小=" + G("58.59KB\r\n")), log.end());
  ExpectIdle();
}

TEST_F(DownloadJobTest, ChineseNameAndNoFileManagerWhenUnchecked) {
  StartService({{"2345678", "说明 文档", "txt", "hello", ""}});
  window_->SetChecked("选择框1", false);
  Run(Settings("2345678"));
  EXPECT_EQ(ReadFile(fs::path(folder_) / "说明文档.txt"), "hello");
  EXPECT_TRUE(shown_.empty());
}

TEST_F(DownloadJobTest, ServiceRefusals) {
  StartService({{"1234567", "a", "rar", "x", ""}});
  struct Row {
    const char* id;
    const char* captcha;
    const char* message;
    int style;
    bool newPicture;
  } rows[] = {
      {"1234567", "WXYZ", "验证码填写错误！", kMessageInformation, true},
      {"7654321", "ABCD", "资源不存在或已被删除", kMessageInformation, false},
  };
  for (const Row& row : rows) {
    window_ = std::make_unique<FakeWindow>();  // a clean window per row
    window_->SetText("编辑框_文件名", "earlier");
    const JobResult result = Run(Settings(row.id), row.captcha);
    EXPECT_EQ(result.ending, JobEnding::kIdle) << row.id;
    EXPECT_EQ(MessageTexts(), std::vector<Text>{G(row.message)}) << row.id;
    EXPECT_EQ(window_->Messages().at(0).style, row.style);
    EXPECT_EQ(window_->PictureWrites() > 0, row.newPicture) << row.id;
    EXPECT_EQ(window_->GetText("编辑框_验证码"), "");
    EXPECT_EQ(window_->Focus(), "编辑框_验证码");
    EXPECT_EQ(window_->GetText("编辑框_文件名"), "earlier");
    ExpectIdle();
  }
  EXPECT_TRUE(fs::is_empty(folder_));
}

// Answers the service never gives, from the capture server.
TEST_F(DownloadJobTest, SuccessPagesMissingRows) {
  test::CaptureServer server;
  setenv("KAVO_SERVICE_URL", server.Url("/").c_str(), 1);
  const std::string ok = "<p>获取资源信息成功</p>";
  const std::string address = "<tr><th><div>电信下载地址：</div></th><td><div align=\"left\">" +
                              server.Url("/file") + "</div></td><td><a href=x>x</a></td></tr>";
  const std::string name =
      "<tr><th><div>文件名称：</div></th><td><div align=\"left\">a</div></td></tr>";
  struct Row {
    std::string page;
    const char* message;
    const char* shownName;
  } rows[] = {
      {ok + name, "下载链接有误或者文件不存在，下载失败！", ""},
      {ok + address, "资源不存在！", "."},
  };
  for (const Row& row : rows) {
    window_ = std::make_unique<FakeWindow>();
    server.Queue(test::Answer(200, TextFromUtf8(row.page)));
    Run(Settings("1234567"), "ABCD");
    EXPECT_EQ(MessageTexts(), std::vector<Text>{G(row.message)});
    EXPECT_EQ(window_->GetText("编辑框_文件名"), row.shownName);
    EXPECT_EQ(window_->GetText("编辑框_验证码"), "ABCD");  // kept
    ExpectIdle();
  }
  EXPECT_TRUE(fs::is_empty(folder_));
}

TEST_F(DownloadJobTest, PartialFileResumedOnYesRewrittenOnNo) {
  const std::string content = PatternBytes(30000, 2);
  StartService({{"1234567", "abc", "rar", content, ""}});
  const fs::path partial = fs::path(folder_) / "abc.rar.tmp";
  for (bool yes : {true, false}) {
    window_ = std::make_unique<FakeWindow>();
    // On Yes the first 1000 bytes are the resource's; on No they are junk that must go.
    std::ofstream(partial, std::ios::binary)
        << (yes ? content.substr(0, 1000) : std::string(1000, 'j'));
    window_->QueueAnswer(yes);
    Run(Settings("1234567"));
    ASSERT_GE(window_->Messages().size(), 1u);
    EXPECT_EQ(window_->Messages()[0].text, G("文件已存在，是否断点续传？"));
    EXPECT_EQ(window_->Messages()[0].caption, G("提示："));
    EXPECT_EQ(window_->Messages()[0].style, kMessageQuestion);
    EXPECT_TRUE(ReadFile(fs::path(folder_) / "abc.rar") == content) << "yes=" << yes;
    EXPECT_FALSE(fs::exists(partial));
  }
  // The resume asked for the rest only.
  EXPECT_NE(service_->LogText().find("206"), std::string::npos);
}

TEST_F(DownloadJobTest, CancelMidTransferThenResume) {
  const std::string content = PatternBytes(200000, 3);
  StartService({{"1234567", "slow", "bin", content, "rate=100000"}});
  const JobSettings settings = Settings("1234567");
  std::future<JobResult> job = Launch(settings);
  const fs::path partial = fs::path(folder_) / "slow.bin.tmp";
  for (int i = 0; i < 100 && (!fs::exists(partial) || window_->GetText("标签_下载").empty()); ++i) {
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  Cancel();
  ASSERT_EQ(job.wait_for(std::chrono::seconds(2)), std::future_status::ready);
  EXPECT_EQ(job.get().ending, JobEnding::kStopped);
  ExpectIdle();  // nothing of the job came after Cancel
  EXPECT_TRUE(window_->Messages().empty());
  ASSERT_TRUE(fs::exists(partial));
  const auto kept = fs::file_size(partial);
  EXPECT_GT(kept, 0u);
  EXPECT_LT(kept, content.size());
  EXPECT_TRUE(ReadFile(partial) == content.substr(0, kept));
  EXPECT_FALSE(fs::exists(fs::path(folder_) / "slow.bin"));

  // The next Start offers to resume, and the file completes byte for byte.
  stop_ = std::stop_source();
  window_->QueueAnswer(true);
  Run(settings);
  EXPECT_TRUE(ReadFile(fs::path(folder_) / "slow.bin") == content);
}

TEST_F(DownloadJobTest, CancelClosesTheQuestionAndEndsTheJob) {
  StartService({{"1234567", "q", "rar", "data", ""}});
  std::ofstream(fs::path(folder_) / "q.rar.tmp") << "da";
  window_->BlockMessages(true);
  const JobSettings settings = Settings("1234567");
  std::future<JobResult> job = Launch(settings);
  for (int i = 0; i < 250 && window_->Messages().empty(); ++i) {
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  ASSERT_EQ(window_->Messages().size(), 1u);
  Cancel();
  ASSERT_EQ(job.wait_for(std::chrono::seconds(2)), std::future_status::ready);
  EXPECT_EQ(job.get().ending, JobEnding::kStopped);
  EXPECT_EQ(ReadFile(fs::path(folder_) / "q.rar.tmp"), "da");
  EXPECT_FALSE(fs::exists(fs::path(folder_) / "q.rar"));
  EXPECT_EQ(window_->Messages().size(), 1u);
}

TEST_F(DownloadJobTest, HostileNamesStayInTheFolder) {
  StartService(
      {{"1234567", "../../escape", "sh", "x", ""}, {"2345678", "x", "/../../etc", "y", ""}});
  Run(Settings("1234567"));
  stop_ = std::stop_source();
  Run(Settings("2345678"));
  std::vector<std::string> names;
  for (const auto& entry : fs::directory_iterator(folder_))
    names.push_back(entry.path().filename());
  std::sort(names.begin(), names.end());
  EXPECT_EQ(names, (std::vector<std::string>{".._.._escape.sh", "x._.._.._etc"}));
}

TEST_F(DownloadJobTest, LinkLaunchEndsAfterTheDownload) {
  StartService({{"1234567", "f", "zip", "zz", ""}});
  JobSettings settings = Settings("1234567");
  settings.linkLaunch = true;
  EXPECT_EQ(Run(settings).ending, JobEnding::kExitProgram);
  EXPECT_EQ(ReadFile(fs::path(folder_) / "f.zip"), "zz");
  EXPECT_EQ(MessageTexts(), std::vector<Text>{G("下载完成！")});
}

TEST(StartConditions, MessagesInOrder) {
  FakeWindow window;
  EXPECT_FALSE(CheckStartConditions(window, "", ""));
  EXPECT_FALSE(CheckStartConditions(window, "/tmp/x", ""));
  EXPECT_TRUE(CheckStartConditions(window, "/tmp/x", "1234567"));
  ASSERT_EQ(window.Messages().size(), 2u);
  EXPECT_EQ(window.Messages()[0].text, G("请先设置保存位置！"));
  EXPECT_EQ(window.Messages()[1].text, G("请先设置下载地址或附件ID！"));
  EXPECT_EQ(window.Messages()[1].style, kMessageOk);
}

TEST(SafeFileName, Table) {
  struct Row {
    Text name, want;
  } rows[] = {
      {"abc.rar", "abc.rar"},
      {"a/b", "a_b"},
      {"..", "_.."},
      {".", "_."},
      {"", "_"},
      {"a\tb\x7F", "a_b_"},
      {"\xCE\xC4.txt", "\xCE\xC4.txt"},
      {"../x", ".._x"},
  };
  for (const Row& r : rows) EXPECT_EQ(SafeFileName(r.name), r.want) << r.name;
}

}  // namespace
}  // namespace rudiruza
