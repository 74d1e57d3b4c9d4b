// Helpers for the tests that drive the real window offscreen.
#pragma once

#include <QApplication>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTimer>
#include <QWidget>
#include <chrono>
#include <functional>
#include <thread>

#include "app/style.h"

namespace rudiruza::test {

// The application object of the test process, made on first use (the tests run on its thread).
inline QApplication& TestApp() {
  static int argc = 1;
  static char name[] = "ui_tests";
  static char* argv[] = {name, nullptr};
  static QApplication* app = [] {
    auto* made = new QApplication(argc, argv);
    ApplyAppStyle(*made);
    return made;
  }();
  return *app;
}

// Runs the event loop until done() holds or the time is up; returns done().
inline bool ProcessEventsUntil(const std::function<bool()>& done, int timeoutMs = 5000) {
  QElapsedTimer timer;
  timer.start();
  while (!done()) {
    if (timer.elapsed() > timeoutMs) return false;
    QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
  return true;
}

// Runs the event loop for a while (long enough for deferred drawing to happen).
inline void ProcessEventsFor(int ms) {
  ProcessEventsUntil([] { return false; }, ms);
}

// The first visible window of type T, or null.
template <class T>
T* VisibleWindow() {
  for (QWidget* widget : QApplication::topLevelWidgets()) {
    if (auto* window = qobject_cast<T*>(widget); window && window->isVisible()) return window;
  }
  return nullptr;
}

// Calls act with the window of type T once it shows (from the event loop, so that it also runs
// inside a dialog's own loop). Gives up after about five seconds.
template <class T>
void WhenShown(std::function<void(T*)> act, int triesLeft = 500) {
  QTimer::singleShot(10, [act = std::move(act), triesLeft] {
    if (T* window = VisibleWindow<T>()) {
      act(window);
    } else if (triesLeft > 0) {
      WhenShown<T>(std::move(act), triesLeft - 1);
    }
  });
}

}  // namespace rudiruza::test
