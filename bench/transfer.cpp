// bench_transfer URL FILE: downloads URL into FILE with the transfer and the progress display
// writing into the real main window (offscreen unless QT_QPA_PLATFORM says otherwise) after every
// chunk, the window's event loop drawing meanwhile, as in the program. Prints the transfer's
// time and the window's last texts to stderr; exit status 0 when the transfer succeeded. Run by
// bench/transfer.sh.
#include <QApplication>
#include <QMetaObject>

#include <chrono>
#include <cstdio>
#include <string>

#include "app/main_window.h"
#include "app/style.h"
#include "download/progress.h"
#include "download/transfer.h"
#include "platform/encoding/encoding.h"

int main(int argc, char** argv) {
  if (argc != 3) {
    std::fprintf(stderr, "usage: %s URL FILE\n", argv[0]);
    return 2;
  }
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  rudiruza::ApplyAppStyle(app);
  rudiruza::MainWindow window;
  window.show();
  const rudiruza::Text url = argv[1];
  const rudiruza::Text file = rudiruza::TextFromUtf8(argv[2]);
  int result = -1;
  double seconds = 0;
  window.StartWorker([&] {
    rudiruza::WindowPort& port = window.Port();
    const auto start = std::chrono::steady_clock::now();
    result = rudiruza::DownloadFile(
        port, url, file,
        [&port](std::int64_t total, std::int64_t done, std::int64_t elapsedMs,
                std::int64_t newBytes) {
          rudiruza::ShowProgress(port, total, done, elapsedMs, newBytes);
        },
        0, false);
    seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    QMetaObject::invokeMethod(&app, &QCoreApplication::quit, Qt::QueuedConnection);
  });
  app.exec();
  rudiruza::WindowPort& port = window.Port();
  std::fprintf(stderr, "transfer %s in %.3f s; window: %s / %s at %s, bar %d\n",
               result == 0 ? "ok" : "failed", seconds,
               rudiruza::Utf8FromText(port.GetText("标签_下载")).c_str(),
               rudiruza::Utf8FromText(port.GetText("标签_大小")).c_str(),
               rudiruza::Utf8FromText(port.GetText("标签_速度")).c_str(),
               port.GetPosition("进度条1"));
  return result == 0 ? 0 : 1;
}
