#include "app/save_dialog.h"

#include <QFileInfo>
#include <QMessageBox>

namespace rudiruza {

SaveDialog::SaveDialog(const QString& proposal) : QFileDialog(nullptr) {
  // Qt's own dialog, so that it behaves the same on every desktop (and can be driven in tests).
  setOption(QFileDialog::DontUseNativeDialog);
  setAcceptMode(QFileDialog::AcceptSave);
  setFileMode(QFileDialog::AnyFile);
  setDefaultSuffix(QString());
  const QFileInfo info(proposal);
  setDirectory(info.absolutePath());
  selectFile(info.fileName());
  // What the dialog hands out when it accepts; its own fields may change once it is hidden.
  connect(this, &QFileDialog::fileSelected, this, [this](const QString& file) { chosen_ = file; });
}

QString SaveDialog::ChosenPath() const {
  return chosen_.isEmpty() ? QString() : QFileInfo(chosen_).absoluteFilePath();
}

void SaveDialog::accept() {
  // QFileDialog accepts a name in a folder that does not exist; the file could never be made.
  const QStringList files = selectedFiles();
  if (!files.isEmpty()) {
    const QFileInfo info(files.first());
    if (!info.isDir() && !QFileInfo(info.absolutePath()).isDir()) {
      QMessageBox::warning(
          this, windowTitle(),
          QString::fromUtf8("文件夹不存在：\n%1\n请检查路径。").arg(info.absolutePath()));
      return;
    }
  }
  QFileDialog::accept();
}

}  // namespace rudiruza
