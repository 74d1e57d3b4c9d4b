#include "app/style.h"

#include <QApplication>
#include <QFont>
#include <QPalette>
#include <QStyleFactory>
#include <QWidget>

namespace rudiruza {
namespace {

QFont WindowFont() {
  // The controls were laid out for 12-pixel CJK text; the families are tried in order.
  QFont font;
  font.setFamilies({QStringLiteral("WenQuanYi Micro Hei"), QStringLiteral("Noto Sans CJK SC"),
                    QStringLiteral("Noto Sans SC"), QStringLiteral("sans-serif")});
  font.setPixelSize(12);
  font.setHintingPreference(QFont::PreferFullHinting);
  return font;
}

QPalette CalmPalette() {
  QPalette palette;
  const QColor window(0xEE, 0xF2, 0xF6);
  const QColor text(0x22, 0x2B, 0x36);
  const QColor muted(0x9A, 0xA3, 0xAD);
  palette.setColor(QPalette::Window, window);
  palette.setColor(QPalette::WindowText, text);
  palette.setColor(QPalette::Base, Qt::white);
  palette.setColor(QPalette::AlternateBase, QColor(0xF5, 0xF7, 0xFA));
  palette.setColor(QPalette::Text, text);
  palette.setColor(QPalette::Button, QColor(0xF7, 0xF9, 0xFB));
  palette.setColor(QPalette::ButtonText, text);
  palette.setColor(QPalette::Highlight, QColor(0x3D, 0x7E, 0xC9));
  palette.setColor(QPalette::HighlightedText, Qt::white);
  palette.setColor(QPalette::ToolTipBase, QColor(0xFF, 0xFD, 0xE8));
  palette.setColor(QPalette::ToolTipText, text);
  for (auto role : {QPalette::WindowText, QPalette::Text, QPalette::ButtonText}) {
    palette.setColor(QPalette::Disabled, role, muted);
  }
  palette.setColor(QPalette::Disabled, QPalette::Base, QColor(0xF4, 0xF6, 0xF8));
  return palette;
}

const char* kWindowSheet = R"(
QLineEdit {
  background: white;
  border: 1px solid #A9B6C4;
  border-radius: 2px;
  padding: 0 3px;
  selection-background-color: #3D7EC9;
}
QLineEdit:focus { border-color: #3D7EC9; }
QLineEdit:disabled { background: #F4F6F8; color: #3A4450; border-color: #C9D2DC; }
QPushButton {
  background: qlineargradient(x1:0, y1:0, x2:0, y2:1, stop:0 #FFFFFF, stop:1 #E4EAF1);
  border: 1px solid #A3B2C3;
  border-radius: 3px;
  color: #222B36;
  padding: 0 2px;
}
QPushButton:hover { border-color: #3D7EC9; }
QPushButton:pressed { background: #D7E1EC; }
QPushButton:disabled { background: #EEF1F4; border-color: #CBD3DC; color: #9AA3AD; }
QProgressBar {
  background: white;
  border: 1px solid #A9B6C4;
  border-radius: 2px;
}
QProgressBar::chunk {
  background: qlineargradient(x1:0, y1:0, x2:0, y2:1, stop:0 #5B9BE0, stop:1 #3D7EC9);
}
QCheckBox { spacing: 3px; }
QCheckBox::indicator { width: 12px; height: 12px; }
QLabel[tone="notice"] { color: #C62828; }
QCheckBox[tone="accent"] { color: #1E5FB8; }
QLabel[role="picture"] { background: #F7F9FB; }
)";

}  // namespace

void ApplyAppStyle(QApplication& app) {
  if (QStyle* fusion = QStyleFactory::create(QStringLiteral("Fusion"))) app.setStyle(fusion);
  app.setPalette(CalmPalette());
  app.setFont(WindowFont());
}

void ApplyWindowStyle(QWidget& window) {
  window.setFont(WindowFont());
  window.setPalette(CalmPalette());
  window.setAutoFillBackground(true);
  window.setStyleSheet(QString::fromLatin1(kWindowSheet));
}

}  // namespace rudiruza
