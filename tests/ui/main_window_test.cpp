#include "app/main_window.h"

#include <gtest/gtest.h>
#include <QAbstractButton>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QProgressBar>
#include <QPushButton>
#include <QTimer>
#include <atomic>

#include "platform/encoding/encoding.h"
#include "platform/stop/stop.h"
#include "platform/window/ui_states.h"
#include "support/test_paths.h"
#include "ui/qt_test_support.h"

namespace rudiruza {
namespace {

class MainWindowTest : public ::testing::Test {
 protected:
  MainWindowTest() : app_(test::TestApp()), folder_(QString::fromStdString(test::MakeTempDir())) {
    window_ = std::make_unique<MainWindow>(folder_);
    window_->show();
  }

  QWidget* Widget(const char* name) {
    return window_->findChild<QWidget*>(QString::fromUtf8(name), Qt::FindDirectChildrenOnly);
  }
  QString WidgetText(const char* name) {
    QWidget* w = Widget(name);
    if (auto* edit = qobject_cast<QLineEdit*>(w)) return edit->text();
    if (auto* label = qobject_cast<QLabel*>(w)) return label->text();
    if (auto* button = qobject_cast<QAbstractButton*>(w)) return button->text();
    return QString();
  }
  void Click(const char* name) { static_cast<QAbstractButton*>(Widget(name))->click(); }

  QApplication& app_;
  QString folder_;
  std::unique_ptr<MainWindow> window_;
};

TEST_F(MainWindowTest, EveryControlStartsAsLaidOut) {
  struct Row {
    const char* name;
    const char* kind;
    QRect geometry;
    const char* text;
    bool enabled;
  };
  const Row rows[] = {
      {"标签2", "QLabel", {6, 8, 49, 12}, "地址或ID", true},
      {"编辑框_id", "QLineEdit", {55, 3, 313, 22}, "", true},
      {"标签3", "QLabel", {6, 31, 49, 20}, "文 件 名", true},
      {"编辑框_文件名", "QLineEdit", {55, 30, 242, 22}, "", false},
      {"按钮_浏览", "QPushButton", {303, 30, 65, 22}, "浏  览", true},
      {"选择框1", "QCheckBox", {202, 53, 104, 17}, "打开所在文件夹", true},
      {"图片框1", "rudiruza::PictureBox", {0, 83, 373, 57}, "", true},
      {"透明标签1", "QLabel", {2, 143, 240, 24}, "请看上图按顺序写出 红，黄，蓝，绿颜色字", true},
      {"编辑框_验证码", "QLineEdit", {240, 144, 128, 22}, "", true},
      {"标签_文件大小", "QLabel", {5, 179, 56, 16}, "文件大小", true},
      {"标签_大小", "QLabel", {63, 179, 129, 16}, "", true},
      {"按钮_开始", "QPushButton", {208, 181, 64, 35}, "开始下载", true},
      {"按钮_取消", "QPushButton", {288, 181, 64, 35}, "取消下载", false},
      {"标签_已下载", "QLabel", {5, 197, 56, 16}, "已 下 载", true},
      {"标签_下载", "QLabel", {63, 197, 129, 16}, "", true},
      {"标签_所用时间", "QLabel", {5, 215, 56, 16}, "所用时间", true},
      {"标签_时间", "QLabel", {63, 215, 129, 16}, "", true},
      {"标签_所用时间1", "QLabel", {5, 233, 56, 16}, "下载速度", true},
      {"标签_速度", "QLabel", {63, 233, 129, 16}, "", true},
      {"按钮_注册右键", "QPushButton", {208, 233, 64, 35}, "注册右键", true},
      {"按钮_注销右键", "QPushButton", {288, 233, 64, 35}, "注销右键", true},
      {"标签_所用时间2", "QLabel", {5, 252, 56, 16}, "剩余时间", true},
      {"标签_速度1", "QLabel", {63, 252, 129, 16}, "", true},
      {"进度条1", "QProgressBar", {3, 276, 364, 25}, "", true},
  };
  WindowPort& port = window_->Port();
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    QWidget* widget = Widget(row.name);
    ASSERT_NE(widget, nullptr);
    EXPECT_TRUE(widget->inherits(row.kind)) << widget->metaObject()->className();
    EXPECT_EQ(widget->geometry(), row.geometry);
    EXPECT_EQ(WidgetText(row.name), QString::fromUtf8(row.text));
    EXPECT_EQ(port.GetText(row.name), TextFromUtf8(row.text));
    EXPECT_EQ(widget->isEnabled(), row.enabled);
    EXPECT_EQ(port.IsEnabled(row.name), row.enabled);
  }

  const QString notice = QString::fromUtf8("默认为智能文件名(默认目录:") + folder_ + ")";
  EXPECT_EQ(WidgetText("标签4"), notice);
  EXPECT_EQ(port.GetText("标签4"), TextFromUtf8(notice.toStdString()));
  EXPECT_EQ(Widget("标签4")->geometry(), QRect(56, 54, 141, 26));
  EXPECT_TRUE(port.IsChecked("选择框1"));
  EXPECT_TRUE(static_cast<QAbstractButton*>(Widget("选择框1"))->isChecked());
  auto* bar = static_cast<QProgressBar*>(Widget("进度条1"));
  EXPECT_EQ(bar->minimum(), 0);
  EXPECT_EQ(bar->maximum(), 10000);
  EXPECT_EQ(bar->value(), 0);
  EXPECT_EQ(port.GetPosition("进度条1"), 0);
  EXPECT_EQ(static_cast<QLineEdit*>(Widget("编辑框_验证码"))->alignment() & Qt::AlignHCenter,
            Qt::AlignHCenter);

  EXPECT_EQ(window_->windowTitle(), QString::fromUtf8("Kavo-免积分下载"));
  EXPECT_EQ(window_->size(), QSize(374, 305));
  EXPECT_EQ(window_->minimumSize(), window_->maximumSize());
  EXPECT_TRUE(window_->windowFlags() & Qt::WindowMinimizeButtonHint);
  EXPECT_FALSE(window_->windowFlags() & Qt::WindowMaximizeButtonHint);
  EXPECT_TRUE(window_->State().savePath.empty());
}

TEST_F(MainWindowTest, BusyThenCancelRestoresIdleAndLeavesTheRest) {
  WindowPort& port = window_->Port();
  EnterBusyState(port);
  EXPECT_FALSE(Widget("按钮_开始")->isEnabled());
  EXPECT_FALSE(Widget("按钮_注册右键")->isEnabled());
  EXPECT_FALSE(Widget("按钮_注销右键")->isEnabled());
  EXPECT_TRUE(Widget("按钮_取消")->isEnabled());

  const char* values[] = {"标签_大小", "标签_速度", "标签_下载", "标签_时间", "标签_速度1"};
  for (const char* name : values) port.SetText(name, "12.3KB");
  port.SetPosition("进度条1", 4321);
  const Text fileName = TextFromUtf8("资料.rar");
  port.SetText("编辑框_id", "1234567");
  port.SetText("编辑框_文件名", fileName);
  port.SetText("编辑框_验证码", "wxyz");
  port.SetText("标签4", TextFromUtf8("保存位置：/tmp/a"));
  window_->State().savePath = "/tmp/a";

  Click("按钮_取消");

  for (const char* name : values) {
    EXPECT_EQ(WidgetText(name), "") << name;
    EXPECT_EQ(port.GetText(name), "") << name;
  }
  EXPECT_EQ(static_cast<QProgressBar*>(Widget("进度条1"))->value(), 0);
  EXPECT_TRUE(Widget("按钮_开始")->isEnabled());
  EXPECT_TRUE(Widget("按钮_注册右键")->isEnabled());
  EXPECT_TRUE(Widget("按钮_注销右键")->isEnabled());
  EXPECT_FALSE(Widget("按钮_取消")->isEnabled());
  EXPECT_EQ(WidgetText("编辑框_id"), "1234567");
  EXPECT_EQ(WidgetText("编辑框_文件名"), QString::fromUtf8("资料.rar"));
  EXPECT_EQ(WidgetText("编辑框_验证码"), "wxyz");
  EXPECT_EQ(WidgetText("标签4"), QString::fromUtf8("保存位置：/tmp/a"));
  EXPECT_EQ(window_->State().savePath, "/tmp/a");
}

TEST_F(MainWindowTest, JobEndsWithResetUiOnItsOwnThread) {
  WindowPort& port = window_->Port();
  window_->StartWorker([&port, this] {
    EnterBusyState(port);
    port.SetText("标签_大小", "1MB");
    port.SetPosition("进度条1", 10000);
    window_->ResetUi();
  });
  ASSERT_TRUE(test::ProcessEventsUntil([&] { return !window_->WorkerRunning(); }));
  test::ProcessEventsFor(100);
  EXPECT_EQ(WidgetText("标签_大小"), "");
  EXPECT_EQ(static_cast<QProgressBar*>(Widget("进度条1"))->value(), 0);
  EXPECT_TRUE(Widget("按钮_开始")->isEnabled());
  EXPECT_FALSE(Widget("按钮_取消")->isEnabled());
}

TEST_F(MainWindowTest, CancelStopsARunningJobAndItsLateWritesAreDropped) {
  WindowPort& port = window_->Port();
  std::atomic<int> writes = 0;
  window_->StartWorker([&] {
    EnterBusyState(port);
    while (!StopRequested()) {
      port.SetText("标签_下载", NumberToText(++writes));
      port.SetPosition("进度条1", 5000);
    }
    // A step the job would still take if it ignored the stop: it must not reach the window.
    port.SetText("标签_速度", "late");
  });
  ASSERT_TRUE(
      test::ProcessEventsUntil([&] { return writes > 1000 && Widget("按钮_取消")->isEnabled(); }));
  Click("按钮_取消");
  ASSERT_TRUE(test::ProcessEventsUntil([&] { return !window_->WorkerRunning(); }, 1000));
  test::ProcessEventsFor(100);
  EXPECT_EQ(WidgetText("标签_下载"), "");
  EXPECT_EQ(WidgetText("标签_速度"), "");
  EXPECT_EQ(port.GetText("标签_速度"), "");
  EXPECT_EQ(port.GetPosition("进度条1"), 0);
  EXPECT_EQ(static_cast<QProgressBar*>(Widget("进度条1"))->value(), 0);
}

TEST_F(MainWindowTest, ClosingTheWindowEndsTheRunAlsoWithAJobBoxOpen) {
  window_->StartWorker([this] { window_->Port().ShowMessage("waiting", "x", kMessageOk); });
  ASSERT_TRUE(test::ProcessEventsUntil([] { return test::VisibleWindow<QMessageBox>(); }));
  bool closedTheRun = true;
  QTimer::singleShot(0, window_.get(), [this] { window_->close(); });
  QTimer fallback;
  fallback.setSingleShot(true);
  QObject::connect(&fallback, &QTimer::timeout, [&] {
    closedTheRun = false;
    QCoreApplication::quit();
  });
  fallback.start(5000);
  EXPECT_EQ(app_.exec(), 0);
  EXPECT_TRUE(closedTheRun);
}

TEST_F(MainWindowTest, ClosingWhileAJobWaitsInAMessageBoxEndsTheJob) {
  std::atomic<bool> answered = false;
  window_->StartWorker([&] {
    window_->Port().ShowMessage("waiting", "x", kMessageQuestion);
    answered = true;
  });
  ASSERT_TRUE(test::ProcessEventsUntil([] { return test::VisibleWindow<QMessageBox>(); }));
  window_.reset();
  EXPECT_TRUE(answered);
  QCoreApplication::processEvents();
  EXPECT_EQ(test::VisibleWindow<QMessageBox>(), nullptr);
}

}  // namespace
}  // namespace rudiruza
