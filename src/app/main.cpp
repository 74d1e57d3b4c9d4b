#include <QApplication>
#include <QWidget>

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  QWidget window;
  window.setWindowTitle(QString::fromUtf8("Kavo-免积分下载"));
  window.show();
  app.exec();
  return 0;
}
