#include <QApplication>

#include "app/main_window.h"
#include "app/style.h"
#include "app/translations.h"

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  rudiruza::ApplyAppStyle(app);
  rudiruza::LoadToolkitTranslations(app);
  rudiruza::MainWindow window;
  window.show();
  app.exec();
  return 0;
}
