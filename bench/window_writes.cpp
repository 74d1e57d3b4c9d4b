// Control writes from a worker thread into the real window, as the progress display makes them
// (four labels and the bar per chunk), while the GUI thread runs its loop. Prints the worker's
// rate and the GUI thread's CPU time.
//
//   QT_QPA_PLATFORM=offscreen build/bench/bench_window_writes [rounds]
#include <QApplication>
#include <QTimer>
#include <chrono>
#include <cstdio>
#include <ctime>
#include <string>
#include <thread>

#include "app/main_window.h"
#include "app/style.h"
#include "platform/stop/stop.h"

namespace {

double ThreadCpuSeconds() {
  timespec ts{};
  clock_gettime(CLOCK_THREAD_CPUTIME_ID, &ts);
  return ts.tv_sec + ts.tv_nsec / 1e9;
}

}  // namespace

int main(int argc, char** argv) {
  const int rounds = argc > 1 ? std::stoi(argv[1]) : 200000;
  QApplication app(argc, argv);
  rudiruza::ApplyAppStyle(app);
  rudiruza::MainWindow window;
  window.show();

  double workerSeconds = 0;
  const double guiCpuBefore = ThreadCpuSeconds();
  const auto start = std::chrono::steady_clock::now();
  window.StartWorker([&] {
    rudiruza::WindowPort& port = window.Port();
    const auto begin = std::chrono::steady_clock::now();
    for (int i = 0; i < rounds; ++i) {
      const rudiruza::Text value = std::to_string(i) + "KB";
      port.SetText("标签_下载", value);
      port.SetText("标签_时间", value);
      port.SetText("标签_速度", value);
      port.SetText("标签_速度1", value);
      port.SetPosition("进度条1", i % 10001);
    }
    workerSeconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - begin).count();
    QMetaObject::invokeMethod(&app, &QCoreApplication::quit, Qt::QueuedConnection);
  });
  app.exec();
  const double wall =
      std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  const double guiCpu = ThreadCpuSeconds() - guiCpuBefore;
  const double writes = 5.0 * rounds;
  std::printf(
      "writes: %.0f  worker: %.3f s (%.0f writes/s, %.0f ns/write)  wall: %.3f s  GUI thread CPU: "
      "%.3f s\n",
      writes, workerSeconds, writes / workerSeconds, workerSeconds / writes * 1e9, wall, guiCpu);
  return 0;
}
