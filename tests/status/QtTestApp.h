// The QApplication the Qt adapter tests share (offscreen platform).
#pragma once

#include <QApplication>

namespace morvel::testing_support {

inline QApplication& qtApp() {
  static int argc = 1;
  static char name[] = "tests_status";
  static char* argv[] = {name, nullptr};
  static QApplication app(argc, argv);
  return app;
}

}  // namespace morvel::testing_support
