#include "app/main_window.h"

#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QCoreApplication>
#include <QFocusEvent>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QScreen>
#include <QThread>
#include <chrono>
#include <cstdlib>

#include "app/style.h"
#include "app/widgets.h"
#include "app/window_actions.h"
#include "platform/stop/stop.h"
#include "platform/window/ui_states.h"

namespace rudiruza {
namespace {

// The client area the controls need: the picture box reaches x 373, the bar y 301.
constexpr int kClientWidth = 374;
constexpr int kClientHeight = 305;

// How long a closing window gives a stopped job to leave its files in order.
constexpr auto kExitGrace = std::chrono::seconds(3);

template <class W>
W* Place(QWidget* parent, const char* name, int x, int y, int width, int height) {
  auto* widget = new W(parent);
  widget->setObjectName(QString::fromUtf8(name));
  widget->setGeometry(x, y, width, height);
  return widget;
}

QLabel* Caption(QWidget* parent, const char* name, int x, int y, int width, int height,
                const char* text) {
  auto* label = Place<QLabel>(parent, name, x, y, width, height);
  label->setText(QString::fromUtf8(text));
  label->setTextFormat(Qt::PlainText);
  // Top-aligned as a static text: the value labels end in a line break, and a centred second
  // line would push the first out of the box.
  label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
  return label;
}

QPushButton* Button(QWidget* parent, const char* name, int x, int y, int width, int height,
                    const char* text) {
  auto* button = Place<QPushButton>(parent, name, x, y, width, height);
  button->setText(QString::fromUtf8(text));
  button->setAutoDefault(false);
  return button;
}

}  // namespace

MainWindow::MainWindow(QString defaultFolder) : defaultFolder_(std::move(defaultFolder)) {
  setWindowTitle(QString::fromUtf8("Kavo-免积分下载"));
  // Minimise and close, no maximise; the size is fixed.
  setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                 Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint |
                 Qt::WindowCloseButtonHint);
  setFixedSize(kClientWidth, kClientHeight);
  ApplyWindowStyle(*this);
  BuildControls();
  port_ = std::make_unique<QtWindowPort>(this, defaultFolder_);
  captcha_ = std::make_unique<CaptchaRefresher>(*port_);
  WireEvents();

  if (QScreen* screen = QGuiApplication::primaryScreen()) {
    QRect area(QPoint(), size());
    area.moveCenter(screen->availableGeometry().center());
    move(area.topLeft());
  }
}

MainWindow::~MainWindow() {
  EndWorkerForExit();
  captcha_.reset();
  port_.reset();  // before the widgets it refers to
}

void MainWindow::BuildControls() {
  Caption(this, "标签2", 6, 8, 49, 12, "地址或ID");
  Place<QLineEdit>(this, "编辑框_id", 55, 3, 313, 22);

  Caption(this, "标签3", 6, 31, 49, 20, "文 件 名");
  Place<QLineEdit>(this, "编辑框_文件名", 55, 30, 242, 22)->setEnabled(false);
  Button(this, "按钮_浏览", 303, 30, 65, 22, "浏  览");

  auto* notice = Place<PathLabel>(this, "标签4", 56, 54, 141, 26);
  notice->setTextFormat(Qt::PlainText);
  notice->setProperty("tone", "notice");
  notice->setText(QString::fromUtf8("默认为智能文件名(默认目录:") + defaultFolder_ +
                  QStringLiteral(")"));
  auto* openFolder = Place<QCheckBox>(this, "选择框1", 202, 53, 104, 17);
  openFolder->setText(QString::fromUtf8("打开所在文件夹"));
  openFolder->setChecked(true);
  openFolder->setProperty("tone", "accent");

  auto* picture = Place<PictureBox>(this, "图片框1", 0, 83, 373, 57);
  picture->setProperty("role", "picture");
  picture->setAlignment(Qt::AlignLeft | Qt::AlignTop);

  auto* hint =
      Caption(this, "透明标签1", 2, 143, 240, 24, "请看上图按顺序写出 红，黄，蓝，绿颜色字");
  hint->setAttribute(Qt::WA_TranslucentBackground);
  Place<QLineEdit>(this, "编辑框_验证码", 240, 144, 128, 22)->setAlignment(Qt::AlignCenter);

  Caption(this, "标签_文件大小", 5, 179, 56, 16, "文件大小");
  Caption(this, "标签_大小", 63, 179, 129, 16, "");
  Button(this, "按钮_开始", 208, 181, 64, 35, "开始下载");
  Button(this, "按钮_取消", 288, 181, 64, 35, "取消下载")->setEnabled(false);
  Caption(this, "标签_已下载", 5, 197, 56, 16, "已 下 载");
  Caption(this, "标签_下载", 63, 197, 129, 16, "");
  Caption(this, "标签_所用时间", 5, 215, 56, 16, "所用时间");
  Caption(this, "标签_时间", 63, 215, 129, 16, "");
  Caption(this, "标签_所用时间1", 5, 233, 56, 16, "下载速度");
  Caption(this, "标签_速度", 63, 233, 129, 16, "");
  Button(this, "按钮_注册右键", 208, 233, 64, 35, "注册右键");
  Button(this, "按钮_注销右键", 288, 233, 64, 35, "注销右键");
  Caption(this, "标签_所用时间2", 5, 252, 56, 16, "剩余时间");
  Caption(this, "标签_速度1", 63, 252, 129, 16, "");

  auto* bar = Place<QProgressBar>(this, "进度条1", 3, 276, 364, 25);
  bar->setRange(0, 10000);
  bar->setValue(0);
  bar->setOrientation(Qt::Horizontal);
  bar->setTextVisible(false);
}

void MainWindow::WireEvents() {
  auto child = [this](const char* name) {
    return findChild<QWidget*>(QString::fromUtf8(name), Qt::FindDirectChildrenOnly);
  };
  auto onClick = [&](const char* name, void (*action)(MainWindow&)) {
    connect(static_cast<QPushButton*>(child(name)), &QPushButton::clicked, this,
            [this, action] { action(*this); });
  };
  onClick("按钮_开始", OnStart);
  onClick("按钮_取消", OnCancel);
  onClick("按钮_浏览", OnBrowse);
  onClick("按钮_注册右键", OnRegisterMenu);
  onClick("按钮_注销右键", OnUnregisterMenu);
  // Enter works as Start; OnStart itself refuses while a job runs.
  connect(static_cast<QLineEdit*>(child("编辑框_验证码")), &QLineEdit::returnPressed, this,
          [this] { OnStart(*this); });
  connect(static_cast<PictureBox*>(child("图片框1")), &PictureBox::leftReleased, this,
          [this] { OnCaptchaReleased(*this); });
  child("编辑框_id")->installEventFilter(this);
}

bool MainWindow::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() == QEvent::FocusOut &&
      watched->objectName() == QString::fromUtf8("编辑框_id") &&
      static_cast<QFocusEvent*>(event)->reason() != Qt::PopupFocusReason) {
    OnResourceIdLeft(*this);
  }
  return QWidget::eventFilter(watched, event);
}

bool MainWindow::event(QEvent* event) {
  if (event->type() == QEvent::WindowActivate && !activated_) {
    activated_ = true;
    if (firstActivation_) firstActivation_();
  }
  return QWidget::event(event);
}

void MainWindow::SetFirstActivationHandler(std::function<void()> handler) {
  firstActivation_ = std::move(handler);
}

void MainWindow::closeEvent(QCloseEvent* event) {
  event->accept();
  // Open message boxes of a job are windows of their own; closing this one still ends the run.
  QCoreApplication::quit();
}

void MainWindow::EndProgram() {
  QMetaObject::invokeMethod(qApp, &QCoreApplication::quit, Qt::QueuedConnection);
}

void MainWindow::StartWorker(std::function<void()> job) {
  if (worker_.joinable()) {
    worker_.request_stop();
    worker_.join();
  }
  auto ended = std::make_shared<std::promise<void>>();
  std::lock_guard lock(workerMutex_);
  workerEnded_ = ended->get_future().share();
  worker_ = std::jthread([job = std::move(job), ended](std::stop_token stop) {
    {
      ThreadStopScope scope(std::move(stop));
      job();
    }
    ended->set_value();
  });
  workerStop_ = worker_.get_stop_source();
}

bool MainWindow::WorkerRunning() const {
  std::lock_guard lock(workerMutex_);
  return workerEnded_.valid() &&
         workerEnded_.wait_for(std::chrono::seconds(0)) != std::future_status::ready;
}

void MainWindow::StopWorker() {
  std::lock_guard lock(workerMutex_);
  workerStop_.request_stop();
}

void MainWindow::ResetUi() {
  if (QThread::currentThread() == thread()) {
    // Under the gate: a step the job has under way finishes first, and none comes after.
    std::lock_guard lock(gate_.Mutex());
    StopWorker();
    ResetUiControls(*port_);
  } else {
    // The job's last step: it writes the idle state itself, then it returns.
    ResetUiControls(*port_);
    StopWorker();
  }
}

void MainWindow::EndWorkerForExit() {
  if (!worker_.joinable()) return;
  StopWorker();
  std::shared_future<void> ended;
  {
    std::lock_guard lock(workerMutex_);
    ended = workerEnded_;
  }
  if (ended.valid() && ended.wait_for(kExitGrace) != std::future_status::ready) {
    // A job that does not come back must not keep the program alive; exit as the user asked.
    std::_Exit(0);
  }
  worker_.join();
}

}  // namespace rudiruza
