// The program's one window: its controls, the values it keeps for the run, and the worker thread
// on which a job runs.
#pragma once

#include <QWidget>
#include <functional>
#include <future>
#include <memory>
#include <mutex>
#include <stop_token>
#include <thread>

#include "app/default_folder.h"
#include "app/qt_window_port.h"
#include "platform/window/window_state.h"

namespace rudiruza {

class MainWindow : public QWidget {
  Q_OBJECT
 public:
  // The controls in their initial state; defaultFolder is shown in 标签4 and proposed by the
  // save dialog.
  explicit MainWindow(QString defaultFolder = DefaultFolder());
  // Ends a running job first (it is asked to stop and gets a moment to leave its files in order).
  ~MainWindow() override;

  WindowPort& Port() { return *port_; }
  QtWindowPort& QtPort() { return *port_; }
  WindowState& State() { return state_; }
  const QString& DefaultFolderPath() const { return defaultFolder_; }

  // Runs job on a new worker thread with the thread's stop token installed (platform/stop). The
  // previous worker is asked to stop (if ResetUi has not done so) and waited for first, so that
  // two jobs never use the same files at once. GUI thread only.
  void StartWorker(std::function<void()> job);
  bool WorkerRunning() const;

  // The idle state again, and the worker asked to stop. From any thread; it never waits for the
  // worker. On the worker itself it is the job's last step: the job returns after it.
  void ResetUi();

  // Ends the program (exit code 0) once the GUI thread gets to it. From any thread; a job that
  // calls it simply returns afterwards.
  void EndProgram();

  // Called the first time the window becomes active.
  void SetFirstActivationHandler(std::function<void()> handler);

 protected:
  bool event(QEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;
  void closeEvent(QCloseEvent* event) override;

 private:
  void BuildControls();
  void WireEvents();
  void StopWorker();
  // Asks the worker to stop and waits for it a little; ends the process if it does not come back.
  void EndWorkerForExit();

  QString defaultFolder_;
  WindowState state_;
  std::unique_ptr<QtWindowPort> port_;
  std::function<void()> firstActivation_;
  bool activated_ = false;

  mutable std::mutex workerMutex_;  // guards workerStop_ and workerEnded_
  std::stop_source workerStop_{std::nostopstate};
  std::shared_future<void> workerEnded_;
  std::jthread worker_;  // GUI thread only
};

}  // namespace rudiruza
