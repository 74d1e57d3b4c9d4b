#include "app/widgets.h"

#include <QEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QTextLayout>
#include <QToolTip>

namespace rudiruza {

PictureBox::PictureBox(QWidget* parent) : QLabel(parent) {}

void PictureBox::mouseReleaseEvent(QMouseEvent* event) {
  QLabel::mouseReleaseEvent(event);
  if (event->button() == Qt::LeftButton) emit leftReleased();
}

PathLabel::PathLabel(QWidget* parent) : QLabel(parent) {}

bool PathLabel::event(QEvent* event) {
  if (event->type() == QEvent::ToolTip) {
    auto* help = static_cast<QHelpEvent*>(event);
    QToolTip::showText(help->globalPos(), text(), this);
    return true;
  }
  return QLabel::event(event);
}

void PathLabel::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  painter.setPen(
      palette().color(isEnabled() ? QPalette::Active : QPalette::Disabled, foregroundRole()));
  const QRect box = contentsRect();
  const QFontMetrics metrics(font());
  // Two lines fit the box's 26 pixels when set a little closer than the font's own spacing.
  const int lineHeight =
      std::max(metrics.ascent() + 1, std::min(metrics.lineSpacing(), box.height() / 2));
  const int maxLines = std::max(1, box.height() / lineHeight);

  QTextLayout layout(text(), font());
  QTextOption option;
  option.setWrapMode(QTextOption::WrapAnywhere);
  layout.setTextOption(option);
  layout.beginLayout();
  QList<QTextLine> lines;
  for (QTextLine line = layout.createLine(); line.isValid(); line = layout.createLine()) {
    line.setLineWidth(box.width());
    lines.append(line);
  }
  layout.endLayout();

  const int shown = std::min<int>(maxLines, lines.size());
  for (int i = 0; i < shown; ++i) {
    const QPoint at(box.left(), box.top() + i * lineHeight + metrics.ascent());
    QString part = text().mid(lines[i].textStart(), lines[i].textLength());
    if (i == shown - 1 && lines.size() > shown) {
      part = metrics.elidedText(text().mid(lines[i].textStart()), Qt::ElideLeft, box.width());
    }
    painter.drawText(at, part);
  }
}

}  // namespace rudiruza
