#include "app/qt_window_port.h"

#include <gtest/gtest.h>
#include <QBuffer>
#include <QCheckBox>
#include <QImage>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QProgressBar>
#include <QPushButton>
#include <future>

#include "app/main_window.h"
#include "platform/encoding/encoding.h"
#include "platform/stop/stop.h"
#include "platform/window/ui_states.h"
#include "support/test_paths.h"
#include "ui/qt_test_support.h"

namespace rudiruza {
namespace {

class WindowPortTest : public ::testing::Test {
 protected:
  WindowPortTest() : app_(test::TestApp()) {
    window_ = std::make_unique<MainWindow>(QString::fromStdString(test::MakeTempDir()));
    window_->show();
  }
  template <class T = QWidget>
  T* Widget(const char* name) {
    return window_->findChild<T*>(QString::fromUtf8(name), Qt::FindDirectChildrenOnly);
  }
  WindowPort& Port() { return window_->Port(); }

  QApplication& app_;
  std::unique_ptr<MainWindow> window_;
};

// The worker must never wait for the GUI thread to store a value: here the GUI thread does not
// run its loop at all while the writes go on, and every read sees the write before it.
TEST_F(WindowPortTest, WorkerWritesNeverWaitForTheGuiThreadAndTheLastValuesAreShown) {
  constexpr int kRounds = 20000;  // five writes each: 100 000 writes
  auto done = std::async(std::launch::async, [this] {
    ThreadStopScope scope{std::stop_token()};
    int mismatches = 0;
    for (int i = 1; i <= kRounds; ++i) {
      const Text value = NumberToText(i);
      Port().SetText("标签_大小", value);
      Port().SetText("标签_下载", value);
      Port().SetText("标签_时间", value);
      Port().SetText("标签_速度", value);
      Port().SetPosition("进度条1", i % 10001);
      if (Port().GetText("标签_速度") != value || Port().GetPosition("进度条1") != i % 10001) {
        ++mismatches;
      }
    }
    return mismatches;
  });
  ASSERT_EQ(done.wait_for(std::chrono::seconds(30)), std::future_status::ready);
  EXPECT_EQ(done.get(), 0);

  const QString last = QString::number(kRounds);
  ASSERT_TRUE(test::ProcessEventsUntil(
      [&] { return Widget<QProgressBar>("进度条1")->value() == kRounds % 10001; }));
  for (const char* name : {"标签_大小", "标签_下载", "标签_时间", "标签_速度"}) {
    EXPECT_EQ(Widget<QLabel>(name)->text(), last) << name;
  }
  EXPECT_EQ(Widget<QProgressBar>("进度条1")->value(), kRounds % 10001);
}

TEST_F(WindowPortTest, ReadsSeeWhatTheUserTypedAndTicked) {
  auto* edit = Widget<QLineEdit>("编辑框_id");
  edit->setFocus();
  for (QChar c : QString::fromUtf8("12地址")) {
    QKeyEvent press(QEvent::KeyPress, 0, Qt::NoModifier, QString(c));
    QCoreApplication::sendEvent(edit, &press);
  }
  Widget<QCheckBox>("选择框1")->click();

  auto read = std::async(std::launch::async, [this] {
    return std::pair(Port().GetText("编辑框_id"), Port().IsChecked("选择框1"));
  });
  const auto [text, checked] = read.get();
  EXPECT_EQ(text, TextFromUtf8("12地址"));
  EXPECT_FALSE(checked);

  // A write from the program replaces what was typed, and the box shows it.
  std::async(std::launch::async, [this] { Port().SetText("编辑框_id", "7654321"); }).get();
  EXPECT_TRUE(test::ProcessEventsUntil([&] { return edit->text() == "7654321"; }));
}

TEST_F(WindowPortTest, BarStaysInItsRangeAndFlagsReachTheWidgets) {
  std::async(std::launch::async, [this] {
    Port().SetPosition("进度条1", 12345);
    EXPECT_EQ(Port().GetPosition("进度条1"), 10000);
    Port().SetEnabled("编辑框_验证码", false);
    Port().SetChecked("选择框1", false);
    Port().SetFocus("编辑框_验证码");
  }).get();
  ASSERT_TRUE(
      test::ProcessEventsUntil([&] { return Widget<QProgressBar>("进度条1")->value() == 10000; }));
  EXPECT_FALSE(Widget("编辑框_验证码")->isEnabled());
  EXPECT_FALSE(Widget<QCheckBox>("选择框1")->isChecked());
  EXPECT_FALSE(Port().IsChecked("选择框1"));
  EXPECT_EQ(Port().GetText("no such control"), "");
}

TEST_F(WindowPortTest, PictureFromBytesAndNothingFromBytesThatAreNoPicture) {
  QImage image(373, 57, QImage::Format_RGB32);
  image.fill(Qt::red);
  QByteArray png;
  QBuffer buffer(&png);
  buffer.open(QIODevice::WriteOnly);
  image.save(&buffer, "PNG");
  const Bytes bytes(png.begin(), png.end());

  Port().SetPicture("图片框1", bytes);
  auto* box = Widget<QLabel>("图片框1");
  EXPECT_EQ(box->pixmap().size(), QSize(373, 57));

  Port().SetPicture("图片框1", Bytes{'n', 'o', 'p', 'e'});
  EXPECT_TRUE(box->pixmap().isNull());
}

// Shows a box from a thread of its own, as the download job does.
struct BoxOnWorker {
  explicit BoxOnWorker(WindowPort& port, int style)
      : thread([&port, style, this](std::stop_token stop) {
          ThreadStopScope scope(std::move(stop));
          result = port.ShowMessage(TextFromUtf8("要继续吗？"), TextFromUtf8("信息："), style);
          returned = true;
        }) {}
  std::atomic<bool> result = false;
  std::atomic<bool> returned = false;
  std::jthread thread;
};

TEST_F(WindowPortTest, MessageBoxesShowTheirStyleAndReportOnlyYes) {
  struct Row {
    int style;
    QMessageBox::Icon icon;
    QMessageBox::StandardButtons buttons;
    QMessageBox::StandardButton press;
    bool expected;
  };
  const Row rows[] = {
      {kMessageOk, QMessageBox::NoIcon, QMessageBox::Ok, QMessageBox::Ok, false},
      {kMessageInformation, QMessageBox::Information, QMessageBox::Ok, QMessageBox::Ok, false},
      {kMessageQuestion, QMessageBox::Question, QMessageBox::Yes | QMessageBox::No,
       QMessageBox::Yes, true},
      {kMessageQuestion, QMessageBox::Question, QMessageBox::Yes | QMessageBox::No, QMessageBox::No,
       false},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.style);
    SCOPED_TRACE(row.press);
    auto check = [&](QMessageBox* box) {
      EXPECT_EQ(box->windowTitle(), QString::fromUtf8("信息："));
      EXPECT_EQ(box->text(), QString::fromUtf8("要继续吗？"));
      EXPECT_EQ(box->icon(), row.icon);
      EXPECT_EQ(box->standardButtons(), row.buttons);
      box->button(row.press)->click();
    };

    // From a worker: the box leaves the window usable while the worker waits.
    BoxOnWorker worker(Port(), row.style);
    ASSERT_TRUE(test::ProcessEventsUntil([] { return test::VisibleWindow<QMessageBox>(); }));
    EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
    EXPECT_FALSE(worker.returned);
    check(test::VisibleWindow<QMessageBox>());
    ASSERT_TRUE(test::ProcessEventsUntil([&] { return worker.returned.load(); }));
    EXPECT_EQ(worker.result, row.expected);

    // On the GUI thread: a modal box.
    test::WhenShown<QMessageBox>([&](QMessageBox* box) {
      EXPECT_EQ(QApplication::activeModalWidget(), box);
      check(box);
    });
    EXPECT_EQ(Port().ShowMessage(TextFromUtf8("要继续吗？"), TextFromUtf8("信息："), row.style),
              row.expected);
  }
}

TEST_F(WindowPortTest, StopRequestClosesTheBoxAndTheWaitEndsWithNo) {
  BoxOnWorker worker(Port(), kMessageQuestion);
  ASSERT_TRUE(test::ProcessEventsUntil([] { return test::VisibleWindow<QMessageBox>(); }));
  worker.thread.request_stop();
  ASSERT_TRUE(test::ProcessEventsUntil([&] { return worker.returned.load(); }, 1000));
  EXPECT_FALSE(worker.result);
  EXPECT_TRUE(test::ProcessEventsUntil([] { return !test::VisibleWindow<QMessageBox>(); }));

  // A stopped thread gets no box at all.
  std::jthread stopped([this](std::stop_token stop) {
    ThreadStopScope scope(std::move(stop));
    while (!StopRequested()) std::this_thread::yield();
    EXPECT_FALSE(Port().ShowMessage("x", "y", kMessageQuestion));
  });
  stopped.request_stop();
  stopped.join();
  QCoreApplication::processEvents();
  EXPECT_EQ(test::VisibleWindow<QMessageBox>(), nullptr);
}

TEST_F(WindowPortTest, CancelWorksWhileTheJobWaitsInAMessageBox) {
  std::atomic<bool> answer = true;
  std::atomic<bool> returned = false;
  window_->StartWorker([&] {
    EnterBusyState(Port());
    answer = Port().ShowMessage(TextFromUtf8("续传吗？"), TextFromUtf8("信息："), kMessageQuestion);
    returned = true;
    Port().SetText("标签_大小", "late");  // what the job would do next: it must not show
  });
  ASSERT_TRUE(test::ProcessEventsUntil([] { return test::VisibleWindow<QMessageBox>(); }));
  EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
  ASSERT_TRUE(Widget("按钮_取消")->isEnabled());

  Widget<QPushButton>("按钮_取消")->click();

  ASSERT_TRUE(test::ProcessEventsUntil([&] { return !window_->WorkerRunning(); }, 1000));
  EXPECT_TRUE(returned);
  EXPECT_FALSE(answer);
  EXPECT_TRUE(test::ProcessEventsUntil([] { return !test::VisibleWindow<QMessageBox>(); }));
  EXPECT_TRUE(Widget("按钮_开始")->isEnabled());
  EXPECT_EQ(Widget<QLabel>("标签_大小")->text(), "");
}

}  // namespace
}  // namespace rudiruza
