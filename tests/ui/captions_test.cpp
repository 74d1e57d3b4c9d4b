#include <gtest/gtest.h>
#include <QAbstractButton>
#include <QCheckBox>
#include <QFontInfo>
#include <QLabel>
#include <QStyle>
#include <QStyleOptionButton>

#include "app/main_window.h"
#include "support/test_paths.h"
#include "ui/qt_test_support.h"

// Fontconfig keeps its configuration for the life of the process, which LeakSanitizer reports.
extern "C" const char* __lsan_default_suppressions() { return "leak:libfontconfig.so\n"; }

namespace rudiruza {
namespace {

// Every fixed caption must fit its box in the window's font (a CJK font of 12 pixels).
TEST(Captions, FitTheirBoxesInACjkFont) {
  test::TestApp();
  MainWindow window(QString::fromStdString(test::MakeTempDir()));
  window.show();

  const QFontInfo font(window.font());
  EXPECT_TRUE(font.family().contains("WenQuanYi") || font.family().contains("CJK"))
      << font.family().toStdString();

  for (const char* name : {"标签2", "标签3", "透明标签1", "标签_文件大小", "标签_已下载",
                           "标签_所用时间", "标签_所用时间1", "标签_所用时间2", "按钮_浏览",
                           "按钮_开始", "按钮_取消", "按钮_注册右键", "按钮_注销右键", "选择框1"}) {
    SCOPED_TRACE(name);
    QWidget* widget = window.findChild<QWidget*>(QString::fromUtf8(name));
    ASSERT_NE(widget, nullptr);
    const QFontMetrics metrics(widget->font());
    if (auto* check = qobject_cast<QCheckBox*>(widget)) {
      QStyleOptionButton option;
      option.initFrom(check);
      const QRect text =
          check->style()->subElementRect(QStyle::SE_CheckBoxContents, &option, check);
      EXPECT_LE(metrics.horizontalAdvance(check->text()), text.width());
    } else {
      const QString text = qobject_cast<QLabel*>(widget)
                               ? static_cast<QLabel*>(widget)->text()
                               : static_cast<QAbstractButton*>(widget)->text();
      EXPECT_LE(metrics.horizontalAdvance(text), widget->width());
      // The ink, not the line with its leading: 标签2 is 12 pixels high, as the font.
      EXPECT_LE(metrics.tightBoundingRect(text).height(), widget->height());
    }
  }
}

}  // namespace
}  // namespace rudiruza
