// The whole program in its real window (offscreen) against the real kavo-service: typing,
// Start, the job's message boxes, Cancel, the link launch.
#include <gtest/gtest.h>
#include <stdlib.h>

#include <QApplication>
#include <QCheckBox>
#include <QFileDialog>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <filesystem>
#include <fstream>
#include <functional>
#include <sstream>

#include "app/main_window.h"
#include "app/startup.h"
#include "app/window_actions.h"
#include "platform/encoding/encoding.h"
#include "support/kavo_service.h"
#include "support/test_files.h"
#include "support/test_paths.h"
#include "ui/qt_test_support.h"

namespace rudiruza {
namespace {

using test::PatternBytes;
using test::ReadFile;

namespace fs = std::filesystem;
using test::KavoService;

QMessageBox* OpenMessageBox() {
  for (QWidget* widget : QApplication::topLevelWidgets()) {
    auto* box = qobject_cast<QMessageBox*>(widget);
    if (box != nullptr && box->isVisible()) return box;
  }
  return nullptr;
}

// Waits for the job's message box, checks its text and presses button.
void Answer(const char* utf8Text, QMessageBox::StandardButton button = QMessageBox::Ok) {
  QMessageBox* box = nullptr;
  ASSERT_TRUE(test::ProcessEventsUntil([&] { return (box = OpenMessageBox()) != nullptr; }))
      << utf8Text;
  EXPECT_EQ(box->text().toStdString(), utf8Text);
  box->button(button)->click();
  ASSERT_TRUE(test::ProcessEventsUntil([&] { return OpenMessageBox() == nullptr; }));
}

class AppFlowTest : public ::testing::Test {
 protected:
  void SetUp() override {
    test::TestApp();
    folder_ = test::MakeTempDir() + "/rezoruza";
    const std::string catalogue = test::MakeTempDir();
    test::WriteCatalogue(catalogue, {
                                        {"1234567", "my file", "rar", small_, ""},
                                        {"2345678", "其他", "zip", "second", ""},
                                        {"3456789", "slow", "bin", slow_, "rate=200000"},
                                    });
    KavoService::Options options;
    options.catalogueDir = catalogue;
    service_ = std::make_unique<KavoService>(options);
    setenv("KAVO_SERVICE_URL", service_->BaseUrl().c_str(), 1);
    window_ = std::make_unique<MainWindow>(QString::fromStdString(folder_));
    window_->show();
    Find<QCheckBox>("选择框1")->click();  // unchecked: no file manager from tests
  }

  void TearDown() override { window_.reset(); }

  template <class W>
  W* Find(const char* name) {
    return window_->findChild<W*>(QString::fromUtf8(name));
  }

  // Types into an edit box as a user does.
  void Type(const char* box, const std::string& text) {
    QLineEdit* edit = Find<QLineEdit>(box);
    edit->setFocus();
    edit->selectAll();
    QTest::keyClick(edit, Qt::Key_Delete);
    QTest::keyClicks(edit, QString::fromStdString(text));
  }

  // Types the address or ID, leaves the box, types the captcha and presses Start.
  void StartJob(const std::string& id, const std::string& captcha = "ABCD") {
    Type("编辑框_id", id);
    OnResourceIdLeft(*window_);
    Type("编辑框_验证码", captcha);
    Find<QPushButton>("按钮_开始")->click();
  }

  bool Idle() {
    return Find<QPushButton>("按钮_开始")->isEnabled() &&
           !Find<QPushButton>("按钮_取消")->isEnabled();
  }

  std::string PostCount() const {
    const std::string log = service_->LogText();
    std::size_t count = 0;
    for (std::size_t at = log.find("POST"); at != std::string::npos;
         at = log.find("POST", at + 1)) {
      ++count;
    }
    return std::to_string(count);
  }

  const std::string small_ = PatternBytes(70000, 1);
  const std::string slow_ = PatternBytes(600000, 2);
  std::string folder_;
  std::unique_ptr<KavoService> service_;
  std::unique_ptr<MainWindow> window_;
};

TEST_F(AppFlowTest, DownloadsIntoTheDefaultFolderThenASecondFileOfItsOwn) {
  OnFirstActivation(*window_, {});
  ASSERT_TRUE(fs::is_directory(folder_));  // made at first activation
  StartJob("http://kavo.example/detail/1234567");
  Answer("下载完成！");
  ASSERT_TRUE(test::ProcessEventsUntil([&] { return Idle(); }));
  EXPECT_TRUE(ReadFile(fs::path(folder_) / "myfile.rar") == small_) << "content differs";
  EXPECT_EQ(Find<QLineEdit>("编辑框_文件名")->text().toStdString(), "my file.rar");
  EXPECT_EQ(Find<QLineEdit>("编辑框_id")->text().toStdString(), service_->FileUrl("1234567"));
  EXPECT_EQ(Find<QLineEdit>("编辑框_验证码")->text().toStdString(), "");

  // The save location kept its marker: the next job names its own file.
  StartJob("2345678");
  Answer("下载完成！");
  ASSERT_TRUE(test::ProcessEventsUntil([&] { return Idle(); }));
  EXPECT_EQ(ReadFile(fs::path(folder_) / "其他.zip"), "second");
  EXPECT_TRUE(ReadFile(fs::path(folder_) / "myfile.rar") == small_) << "content differs";
}

TEST_F(AppFlowTest, RefusalsComeBackAsMessages) {
  OnFirstActivation(*window_, {});
  StartJob("1234567", "WRONG");
  Answer("验证码填写错误！");
  ASSERT_TRUE(test::ProcessEventsUntil([&] { return Idle(); }));
  StartJob("7654321");
  Answer("资源不存在或已被删除");
  ASSERT_TRUE(test::ProcessEventsUntil([&] { return Idle(); }));
  EXPECT_TRUE(fs::is_empty(folder_));
}

TEST_F(AppFlowTest, StartNeedsAnIdAndEnterDuringAJobStartsNothing) {
  OnFirstActivation(*window_, {});
  // Without an ID Start refuses on the window's thread (the box is modal there).
  QTimer::singleShot(50, [] {
    if (QMessageBox* box = OpenMessageBox()) {
      EXPECT_EQ(box->text().toStdString(), "请先设置下载地址或附件ID！");
      box->button(QMessageBox::Ok)->click();
    }
  });
  Find<QPushButton>("按钮_开始")->click();
  EXPECT_TRUE(Idle());

  StartJob("3456789");
  ASSERT_TRUE(test::ProcessEventsUntil(
      [&] { return !Find<QLineEdit>("编辑框_文件名")->text().isEmpty(); }));
  const std::string posts = PostCount();
  OnStart(*window_);  // what Enter in the captcha box does
  EXPECT_EQ(PostCount(), posts);

  // Cancel mid-transfer: idle at once, the partial file stays, and the next Start resumes it.
  const fs::path partial = fs::path(folder_) / "slow.bin.tmp";
  auto* done = Find<QLabel>("标签_下载");
  ASSERT_TRUE(test::ProcessEventsUntil([&] { return !done->text().isEmpty(); }));
  Find<QPushButton>("按钮_取消")->click();
  EXPECT_TRUE(Idle());
  EXPECT_TRUE(done->text().isEmpty());
  // The stopped job leaves what it received in the partial file.
  ASSERT_TRUE(
      test::ProcessEventsUntil([&] { return fs::exists(partial) && fs::file_size(partial) > 0; }));
  EXPECT_LT(fs::file_size(partial), slow_.size());
  EXPECT_FALSE(fs::exists(fs::path(folder_) / "slow.bin"));

  StartJob("3456789");
  Answer("文件已存在，是否断点续传？", QMessageBox::Yes);
  Answer("下载完成！");
  ASSERT_TRUE(test::ProcessEventsUntil([&] { return Idle(); }));
  EXPECT_TRUE(ReadFile(fs::path(folder_) / "slow.bin") == slow_) << "content differs";
}

TEST_F(AppFlowTest, LinkLaunchAsksWhereToSaveAndFillsTheAddress) {
  const std::string chosen = test::MakeTempDir() + "/chosen.rar";
  QTimer::singleShot(100, [&] {
    auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
    ASSERT_NE(dialog, nullptr);
    dialog->findChild<QLineEdit*>("fileNameEdit")->setText(QString::fromStdString(chosen));
    QMetaObject::invokeMethod(dialog, "accept");
  });
  const std::string link = "RudiRuzaC://[<url>]http://kavo.example/x/1234567[<url>]/";
  OnFirstActivation(*window_, {TextFromUtf8(link)});
  EXPECT_EQ(Find<QLineEdit>("编辑框_id")->text().toStdString(), "http://kavo.example/x/1234567");
  EXPECT_EQ(window_->State().resourceId, "1234567");
  EXPECT_EQ(window_->State().savePath, chosen);
  EXPECT_EQ(window_->focusWidget(), Find<QLineEdit>("编辑框_验证码"));

  // The download goes to the chosen file, and then the program ends.
  Type("编辑框_验证码", "ABCD");
  int exitCode = -1;
  QTimer::singleShot(0, [&] { Find<QPushButton>("按钮_开始")->click(); });
  QTimer::singleShot(200, [&] { Answer("下载完成！"); });
  exitCode = test::TestApp().exec();
  EXPECT_EQ(exitCode, 0);
  EXPECT_TRUE(ReadFile(chosen) == small_) << "content differs";
}

TEST_F(AppFlowTest, LinkLaunchWithTheDialogCancelledEndsTheProgram) {
  QTimer::singleShot(0, [&] {
    QTimer::singleShot(100, [] {
      if (auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget()))
        dialog->reject();
    });
    OnFirstActivation(*window_, {TextFromUtf8("\"\"")});
  });
  EXPECT_EQ(test::TestApp().exec(), 0);
  EXPECT_EQ(Find<QLineEdit>("编辑框_id")->text().toStdString(), "");
}

}  // namespace
}  // namespace rudiruza
