#include <QApplication>

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
  window.RefreshCaptchaInBackground();
  app.exec();
  return 0;
}
