// Two small widgets the window needs beyond the stock ones.
#pragma once

#include <QLabel>

namespace rudiruza {

// The captcha picture: a label that reports the release of the left mouse button.
class PictureBox : public QLabel {
  Q_OBJECT
 public:
  explicit PictureBox(QWidget* parent);

 signals:
  void leftReleased();

 protected:
  void mouseReleaseEvent(QMouseEvent* event) override;
};

// A caption that may hold a long path: it wraps anywhere, not only at spaces, and when the text
// needs more lines than the box holds, the last line shows the end of the text after "…", so
// that the file name stays visible. The whole text is in the tool tip.
class PathLabel : public QLabel {
  Q_OBJECT
 public:
  explicit PathLabel(QWidget* parent);

 protected:
  void paintEvent(QPaintEvent* event) override;
  bool event(QEvent* event) override;
};

}  // namespace rudiruza
