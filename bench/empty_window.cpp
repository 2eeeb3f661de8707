// The floor of the toolkit: a Qt Widgets program that shows one empty window,
// for comparing the console's start and memory with.
#include <QApplication>
#include <QWidget>

int main(int argc, char** argv) {
  QApplication application(argc, argv);
  QWidget window;
  window.show();
  return QApplication::exec();
}
