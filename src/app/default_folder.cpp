#include "app/default_folder.h"

#include <QDir>
#include <QStandardPaths>

#include "platform/encoding/encoding.h"
#include "platform/window/window_state.h"

namespace rudiruza {

QString DefaultFolder() {
  // QStandardPaths reads the same user-dirs.dirs that xdg-user-dir reads and falls back to
  // ~/Downloads when DOWNLOAD is not set, without starting a process.
  QString downloads = QStandardPaths::writableLocation(QStandardPaths::DownloadLocation);
  if (downloads.isEmpty()) downloads = QDir::homePath() + QStringLiteral("/Downloads");
  return QDir::cleanPath(downloads + QStringLiteral("/rezoruza"));
}

Text DefaultSavePath(const QString& folder) {
  return TextFromUtf8(folder.toStdString()) + "/" + kSmartNameMarker;
}

}  // namespace rudiruza
