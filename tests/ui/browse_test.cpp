#include <gtest/gtest.h>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>

#include "app/main_window.h"
#include "app/save_dialog.h"
#include "platform/encoding/encoding.h"
#include "platform/stop/stop.h"
#include "support/test_paths.h"
#include "ui/qt_test_support.h"

namespace rudiruza {
namespace {

// Types a path into the dialog's name box, as the user does.
void Type(QFileDialog* dialog, const QString& path) {
  auto* edit = dialog->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
  ASSERT_NE(edit, nullptr);
  edit->setText(path);
}

class BrowseTest : public ::testing::Test {
 protected:
  BrowseTest() : app_(test::TestApp()), folder_(QString::fromStdString(test::MakeTempDir())) {
    window_ = std::make_unique<MainWindow>(folder_);
    window_->show();
  }

  // Clicks Browse; the dialog, once shown, reports its proposal and gets `answer` (a path to
  // choose, or nothing to cancel).
  QString Browse(std::optional<QString> answer) {
    QString proposal;
    test::WhenShown<SaveDialog>([&](SaveDialog* dialog) {
      proposal = dialog->selectedFiles().value(0);
      if (answer) {
        Type(dialog, *answer);
        dialog->accept();
      } else {
        dialog->reject();
      }
    });
    window_->findChild<QPushButton*>(QString::fromUtf8("按钮_浏览"))->click();
    return proposal;
  }
  QString Notice() { return window_->findChild<QLabel*>(QString::fromUtf8("标签4"))->text(); }
  static Text AsText(const QString& s) { return TextFromUtf8(s.toStdString()); }

  QApplication& app_;
  QString folder_;
  std::unique_ptr<MainWindow> window_;
};

TEST_F(BrowseTest, ConfirmedThenProposedAgainThenCancelled) {
  const QString smart = folder_ + QString::fromUtf8("/$智能命名$");
  const QString label = QString::fromUtf8("保存位置：");

  // First: the proposed name in the default folder, taken as it is.
  EXPECT_EQ(Browse(smart), smart);
  EXPECT_EQ(window_->State().savePath, AsText(smart));
  EXPECT_EQ(window_->State().savePath, DefaultSavePath(folder_));
  EXPECT_EQ(Notice(), label + smart);

  // Second: proposes the path chosen first; a typed name without extension stays as typed.
  QDir(folder_).mkdir(QString::fromUtf8("子目录"));
  const QString typed = folder_ + QString::fromUtf8("/子目录/名字");
  EXPECT_EQ(Browse(typed), smart);
  EXPECT_EQ(window_->State().savePath, AsText(typed));
  EXPECT_EQ(Notice(), label + typed);

  // Cancelled: nothing changes, and the next proposal is still the last chosen path.
  EXPECT_EQ(Browse(std::nullopt), typed);
  EXPECT_EQ(window_->State().savePath, AsText(typed));
  EXPECT_EQ(Notice(), label + typed);
  EXPECT_EQ(Browse(std::nullopt), typed);
}

TEST_F(BrowseTest, DialogAsksBeforeAnExistingFileAndRefusesAMissingFolder) {
  const QString existing = folder_ + "/old.bin";
  {
    QFile file(existing);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
  }
  const QString missing = folder_ + "/no-such-folder/x.bin";

  bool warned = false;
  bool asked = false;
  test::WhenShown<SaveDialog>([&](SaveDialog* dialog) {
    EXPECT_EQ(dialog->acceptMode(), QFileDialog::AcceptSave);
    EXPECT_TRUE(dialog->nameFilters().isEmpty() ||
                dialog->nameFilters() == QStringList{QStringLiteral("All Files (*)")});
    EXPECT_TRUE(dialog->defaultSuffix().isEmpty());
    // A missing folder: a warning, and the dialog stays open.
    test::WhenShown<QMessageBox>([&](QMessageBox* box) {
      warned = true;
      box->accept();
    });
    Type(dialog, missing);
    dialog->accept();
    EXPECT_TRUE(dialog->isVisible());
    // An existing file: chosen only after the user agrees.
    test::WhenShown<QMessageBox>([&](QMessageBox* box) {
      asked = true;
      box->button(QMessageBox::Yes)->click();
    });
    Type(dialog, existing);
    dialog->accept();
  });
  window_->findChild<QPushButton*>(QString::fromUtf8("按钮_浏览"))->click();

  EXPECT_TRUE(warned);
  EXPECT_TRUE(asked);
  EXPECT_EQ(window_->State().savePath, AsText(existing));
}

TEST_F(BrowseTest, SaveDialogFromAWorkerThread) {
  const QString chosen = folder_ + "/from-worker.bin";
  std::optional<Text> result;
  std::atomic<bool> returned = false;
  std::jthread worker([&](std::stop_token stop) {
    ThreadStopScope scope(std::move(stop));
    result = window_->Port().ShowSaveDialog();
    returned = true;
  });
  ASSERT_TRUE(test::ProcessEventsUntil([] { return test::VisibleWindow<SaveDialog>(); }));
  SaveDialog* dialog = test::VisibleWindow<SaveDialog>();
  Type(dialog, chosen);
  dialog->accept();
  ASSERT_TRUE(test::ProcessEventsUntil([&] { return returned.load(); }));
  EXPECT_EQ(result, AsText(chosen));

  // A stop request closes it.
  returned = false;
  std::jthread stopped([&](std::stop_token stop) {
    ThreadStopScope scope(std::move(stop));
    result = window_->Port().ShowSaveDialog();
    returned = true;
  });
  ASSERT_TRUE(test::ProcessEventsUntil([] { return test::VisibleWindow<SaveDialog>(); }));
  EXPECT_EQ(test::VisibleWindow<SaveDialog>()->selectedFiles().value(0), chosen);
  stopped.request_stop();
  ASSERT_TRUE(test::ProcessEventsUntil([&] { return returned.load(); }));
  EXPECT_FALSE(result);
  EXPECT_TRUE(test::ProcessEventsUntil([] { return !test::VisibleWindow<SaveDialog>(); }));
}

}  // namespace
}  // namespace rudiruza
