// The QApplication shared by the window tests; see AppTestApp.cpp.
#pragma once

#include <QApplication>

namespace morvel::testing_support {

QApplication& appForTests();

}  // namespace morvel::testing_support
