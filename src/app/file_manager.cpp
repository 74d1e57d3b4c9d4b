#include "app/file_manager.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QFileInfo>
#include <QProcess>
#include <QStringList>
#include <QUrl>

#include "platform/encoding/encoding.h"

namespace rudiruza {

void ShowInFileManager(const Text& path) {
  const QString file = QString::fromStdString(Utf8FromText(path));
  QDBusConnection bus = QDBusConnection::sessionBus();
  if (bus.isConnected()) {
    QDBusMessage call = QDBusMessage::createMethodCall("org.freedesktop.FileManager1",
                                                       "/org/freedesktop/FileManager1",
                                                       "org.freedesktop.FileManager1", "ShowItems");
    call << QStringList{QUrl::fromLocalFile(file).toString()} << QString();
    if (bus.call(call, QDBus::Block, 1000).type() == QDBusMessage::ReplyMessage) return;
  }
  QProcess::startDetached("xdg-open", {QFileInfo(file).absolutePath()});
}

}  // namespace rudiruza
