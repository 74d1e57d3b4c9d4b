#include <QApplication>
#include <QTimer>

#include "app/main_window.h"
#include "app/startup.h"
#include "app/style.h"
#include "app/translations.h"

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  rudiruza::ApplyAppStyle(app);
  rudiruza::LoadToolkitTranslations(app);
  const std::vector<rudiruza::Text> args = rudiruza::LaunchArgsFrom(argc, argv);
  rudiruza::MainWindow window;
  window.SetFirstActivationHandler([&window, args] { rudiruza::OnFirstActivation(window, args); });
  window.show();
  // A desktop activates a new window; without a window manager (a bare X server) nothing
  // would, and the first-activation steps, a link launch's among them, would wait for a click.
  QTimer::singleShot(0, &window, [&window] { window.activateWindow(); });
  window.RefreshCaptchaInBackground();
  app.exec();
  return 0;
}
