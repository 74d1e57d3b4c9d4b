#include "app/qt_window_port.h"

#include <QAbstractButton>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPixmap>
#include <QProgressBar>
#include <QThread>
#include <QTimer>
#include <QWidget>
#include <algorithm>
#include <condition_variable>

#include "app/save_dialog.h"
#include "app/widgets.h"
#include "platform/encoding/encoding.h"
#include "platform/stop/stop.h"

namespace rudiruza {
namespace {

QString ToQString(const Text& text) { return QString::fromStdString(Utf8FromText(text)); }
Text FromQString(const QString& text) { return TextFromUtf8(text.toStdString()); }

}  // namespace

// The meeting point of a thread waiting for a dialog and the GUI thread showing it.
struct QtWindowPort::DialogWait {
  std::mutex mutex;
  std::condition_variable_any closed;
  bool done = false;       // the dialog was closed; code and path hold its result
  bool abandoned = false;  // the waiting thread was stopped and went away
  int code = 0;
  QString path;
  QPointer<QDialog> dialog;  // GUI thread only
};

QtWindowPort::QtWindowPort(QWidget* root, QString defaultFolder)
    : defaultFolder_(std::move(defaultFolder)) {
  for (QWidget* widget : root->findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) {
    const std::string name = widget->objectName().toStdString();
    if (name.empty()) continue;
    Control control;
    control.widget = widget;
    control.enabled = widget->isEnabled();
    if (auto* edit = qobject_cast<QLineEdit*>(widget)) {
      control.kind = Kind::kEdit;
      control.text = FromQString(edit->text());
    } else if (qobject_cast<PictureBox*>(widget)) {
      control.kind = Kind::kPicture;
    } else if (auto* label = qobject_cast<QLabel*>(widget)) {
      control.kind = Kind::kLabel;
      control.text = FromQString(label->text());
    } else if (auto* button = qobject_cast<QAbstractButton*>(widget)) {
      control.kind = Kind::kButton;
      control.text = FromQString(button->text());
      control.checked = button->isChecked();
    } else if (auto* bar = qobject_cast<QProgressBar*>(widget)) {
      control.kind = Kind::kBar;
      control.position = bar->value();
      control.minimum = bar->minimum();
      control.maximum = bar->maximum();
    }
    auto [it, inserted] = controls_.emplace(name, std::move(control));
    if (inserted) WatchUserEdits(it->first, it->second);
  }
}

QtWindowPort::~QtWindowPort() {
  // Boxes shown for other threads have no parent; they must not outlive the window.
  for (const QPointer<QDialog>& dialog : openDialogs_) {
    if (dialog) dialog->done(QDialog::Rejected);
    delete dialog.data();
  }
}

void QtWindowPort::WatchUserEdits(const std::string&, Control& control) {
  Control* target = &control;
  if (auto* edit = qobject_cast<QLineEdit*>(control.widget)) {
    connect(edit, &QLineEdit::textEdited, this, [this, target](const QString& text) {
      Text value = FromQString(text);
      std::lock_guard lock(mutex_);
      target->text = std::move(value);
      target->dirty &= ~kText;
    });
  } else if (auto* button = qobject_cast<QAbstractButton*>(control.widget)) {
    if (button->isCheckable()) {
      connect(button, &QAbstractButton::clicked, this, [this, target](bool checked) {
        std::lock_guard lock(mutex_);
        target->checked = checked;
        target->dirty &= ~kChecked;
      });
    }
  }
}

bool QtWindowPort::OnGuiThread() const { return QThread::currentThread() == thread(); }

QtWindowPort::Control* QtWindowPort::Find(std::string_view name) {
  auto it = controls_.find(name);
  return it == controls_.end() ? nullptr : &it->second;
}

template <class T>
T QtWindowPort::Read(std::string_view name, T Control::*field, T fallback) {
  Control* c = Find(name);
  if (!c) return fallback;
  std::lock_guard lock(mutex_);
  return c->*field;
}

template <class Store>
void QtWindowPort::Write(std::string_view name, unsigned what, Store store) {
  Control* control = Find(name);
  if (!control) return;
  const bool gui = OnGuiThread();
  {
    std::lock_guard lock(mutex_);
    // Checked under the lock: a reset that requests the stop and then takes the lock to clear the
    // controls cannot be overtaken by a write of the stopped thread.
    if (!gui && StopRequested()) return;
    store(*control);
    if (!control->dirty) dirtyControls_.push_back(control);
    control->dirty |= what;
  }
  if (gui) {
    Flush();
  } else {
    RequestFlush();
  }
}

void QtWindowPort::RequestFlush() {
  if (flushQueued_.exchange(true)) return;  // one request pending is enough
  QMetaObject::invokeMethod(
      this,
      [this] {
        // A frame's worth of writes is drawn at once: the GUI thread does not spend itself on
        // values nobody could see.
        constexpr qint64 kFrameMs = 16;
        const qint64 wait = sinceFlush_.isValid() ? kFrameMs - sinceFlush_.elapsed() : qint64{0};
        auto run = [this] {
          flushQueued_ = false;
          Flush();
        };
        if (wait > 0) {
          QTimer::singleShot(std::chrono::milliseconds(wait), this, run);
        } else {
          run();
        }
      },
      Qt::QueuedConnection);
}

void QtWindowPort::Flush() {
  struct Change {
    Control* control;
    unsigned what;
    Text text;
    bool enabled;
    bool checked;
    int position;
    Bytes picture;
  };
  std::vector<Change> changes;
  std::string focus;
  {
    std::lock_guard lock(mutex_);
    changes.reserve(dirtyControls_.size());
    for (Control* c : dirtyControls_) {
      if (!c->dirty) continue;
      changes.push_back({c, c->dirty, (c->dirty & kText) ? c->text : Text(), c->enabled, c->checked,
                         c->position, (c->dirty & kPicture) ? c->picture : Bytes()});
      c->dirty = 0;
    }
    dirtyControls_.clear();
    focus.swap(focus_);
  }

  for (const Change& change : changes) {
    QWidget* widget = change.control->widget;
    const Kind kind = change.control->kind;
    if (change.what & kText) {
      const QString value = ToQString(change.text);
      if (kind == Kind::kEdit) {
        auto* edit = static_cast<QLineEdit*>(widget);
        if (edit->text() != value) {
          edit->setText(value);
          if (!edit->hasFocus()) edit->setCursorPosition(0);  // show the start, as a fresh box
        }
      } else if (kind == Kind::kLabel || kind == Kind::kPicture) {
        static_cast<QLabel*>(widget)->setText(value);
      } else if (kind == Kind::kButton) {
        static_cast<QAbstractButton*>(widget)->setText(value);
      }
    }
    if (change.what & kEnabled) widget->setEnabled(change.enabled);
    if ((change.what & kChecked) && kind == Kind::kButton) {
      static_cast<QAbstractButton*>(widget)->setChecked(change.checked);
    }
    if ((change.what & kPosition) && kind == Kind::kBar) {
      static_cast<QProgressBar*>(widget)->setValue(change.position);
    }
    if ((change.what & kPicture) && (kind == Kind::kPicture || kind == Kind::kLabel)) {
      QPixmap pixmap;
      const auto size = static_cast<uint>(change.picture.size());
      if (size && pixmap.loadFromData(change.picture.data(), size)) {
        static_cast<QLabel*>(widget)->setPixmap(pixmap);
      } else {
        static_cast<QLabel*>(widget)->clear();
      }
    }
  }
  if (!focus.empty()) {
    if (Control* control = Find(focus)) control->widget->setFocus(Qt::OtherFocusReason);
  }
  sinceFlush_.start();
}

void QtWindowPort::SetText(std::string_view control, const Text& value) {
  Write(control, kText, [&](Control& c) { c.text = value; });
}

Text QtWindowPort::GetText(std::string_view control) {
  return Read(control, &Control::text, Text());
}

void QtWindowPort::SetEnabled(std::string_view control, bool enabled) {
  Write(control, kEnabled, [&](Control& c) { c.enabled = enabled; });
}

bool QtWindowPort::IsEnabled(std::string_view control) {
  return Read(control, &Control::enabled, false);
}

void QtWindowPort::SetChecked(std::string_view control, bool checked) {
  Write(control, kChecked, [&](Control& c) { c.checked = checked; });
}

bool QtWindowPort::IsChecked(std::string_view control) {
  return Read(control, &Control::checked, false);
}

void QtWindowPort::SetPosition(std::string_view control, int position) {
  // A bar keeps its position inside its range, as the system's bar does.
  Write(control, kPosition, [&](Control& c) {
    c.position = c.kind == Kind::kBar ? std::clamp(position, c.minimum, c.maximum) : position;
  });
}

int QtWindowPort::GetPosition(std::string_view control) {
  return Read(control, &Control::position, 0);
}

void QtWindowPort::SetPicture(std::string_view control, const Bytes& picture) {
  Write(control, kPicture, [&](Control& c) { c.picture = picture; });
}

void QtWindowPort::SetFocus(std::string_view control) {
  if (!Find(control)) return;
  const bool gui = OnGuiThread();
  {
    std::lock_guard lock(mutex_);
    if (!gui && StopRequested()) return;
    focus_ = std::string(control);
  }
  if (gui) {
    Flush();
  } else {
    RequestFlush();
  }
}

QDialog* QtWindowPort::MakeMessageBox(const Text& text, const Text& caption, int style) {
  auto* box = new QMessageBox();
  box->setWindowTitle(ToQString(caption));
  box->setTextFormat(Qt::PlainText);  // texts may come from the network
  box->setText(ToQString(text));
  if (style == kMessageQuestion) {
    box->setIcon(QMessageBox::Question);
    box->setStandardButtons(QMessageBox::Yes | QMessageBox::No);
    box->setDefaultButton(QMessageBox::Yes);
  } else {
    box->setIcon(style == kMessageInformation ? QMessageBox::Information : QMessageBox::NoIcon);
    box->setStandardButtons(QMessageBox::Ok);
  }
  return box;
}

std::shared_ptr<QtWindowPort::DialogWait> QtWindowPort::AwaitDialog(
    std::function<QDialog*()> make) {
  std::stop_token stop = ThreadStopToken();
  if (stop.stop_requested()) return nullptr;
  auto wait = std::make_shared<DialogWait>();
  QMetaObject::invokeMethod(
      this,
      [this, wait, make = std::move(make)] {
        {
          std::lock_guard lock(wait->mutex);
          if (wait->abandoned) return;
        }
        QDialog* dialog = make();
        dialog->setAttribute(Qt::WA_DeleteOnClose);
        dialog->setWindowModality(Qt::NonModal);  // the window stays usable
        connect(dialog, &QDialog::finished, dialog, [wait, dialog](int code) {
          QString path;
          if (auto* save = qobject_cast<SaveDialog*>(dialog)) path = save->ChosenPath();
          std::lock_guard lock(wait->mutex);
          wait->code = code;
          wait->path = path;
          wait->done = true;
          wait->closed.notify_all();
        });
        wait->dialog = dialog;
        std::erase_if(openDialogs_, [](const QPointer<QDialog>& d) { return d.isNull(); });
        openDialogs_.emplace_back(dialog);
        dialog->show();
        dialog->raise();
        dialog->activateWindow();
      },
      Qt::QueuedConnection);

  std::unique_lock lock(wait->mutex);
  if (!wait->closed.wait(lock, stop, [&] { return wait->done; })) {
    wait->abandoned = true;
    lock.unlock();
    QMetaObject::invokeMethod(
        this,
        [wait] {
          if (wait->dialog) wait->dialog->done(QDialog::Rejected);
        },
        Qt::QueuedConnection);
    return nullptr;
  }
  return wait;
}

bool QtWindowPort::ShowMessage(const Text& text, const Text& caption, int style) {
  if (OnGuiThread()) {
    std::unique_ptr<QDialog> box(MakeMessageBox(text, caption, style));
    return box->exec() == QMessageBox::Yes;
  }
  auto wait =
      AwaitDialog([this, text, caption, style] { return MakeMessageBox(text, caption, style); });
  return wait && wait->code == QMessageBox::Yes;
}

QString QtWindowPort::SaveProposal() const {
  if (!lastChosen_.isEmpty()) return lastChosen_;
  return defaultFolder_ + QStringLiteral("/$智能命名$");
}

std::optional<Text> QtWindowPort::ShowSaveDialog() {
  if (OnGuiThread()) {
    SaveDialog dialog(SaveProposal());
    if (dialog.exec() != QDialog::Accepted) return std::nullopt;
    lastChosen_ = dialog.ChosenPath();
    return FromQString(lastChosen_);
  }
  auto wait = AwaitDialog([this] {
    auto* dialog = new SaveDialog(SaveProposal());
    connect(dialog, &QDialog::accepted, this,
            [this, dialog] { lastChosen_ = dialog->ChosenPath(); });
    return dialog;
  });
  if (!wait || wait->code != QDialog::Accepted) return std::nullopt;
  return FromQString(wait->path);
}

}  // namespace rudiruza
