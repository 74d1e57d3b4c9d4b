#include "app/translations.h"

#include <QApplication>
#include <QLibraryInfo>
#include <QTranslator>

namespace rudiruza {

void LoadToolkitTranslations(QApplication& app) {
  auto* translator = new QTranslator(&app);
  if (translator->load(QStringLiteral("qtbase_zh_CN"),
                       QLibraryInfo::path(QLibraryInfo::TranslationsPath))) {
    app.installTranslator(translator);
  } else {
    delete translator;
  }
}

}  // namespace rudiruza
