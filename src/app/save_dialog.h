// The save dialog of the window: the user types or picks a file name, existing or not.
#pragma once

#include <QFileDialog>

namespace rudiruza {

// Proposes `proposal` (a full path); no type filter and no default extension, so the name is
// taken as typed; asks before an existing file is chosen; refuses a folder that does not exist.
class SaveDialog : public QFileDialog {
  Q_OBJECT
 public:
  explicit SaveDialog(const QString& proposal);

  // The chosen full path (after the dialog was accepted).
  QString ChosenPath() const;

  void accept() override;

 private:
  QString chosen_;
};

}  // namespace rudiruza
