// The QApplication a test program shares among its Qt tests (offscreen
// platform; every test program that links Qt compiles this in). It is made
// by the first test that asks for it and destroyed after the last test,
// while the process is still in main, as Qt requires.
#pragma once

#include <QApplication>

namespace morvel::testing_support {

QApplication& qtApp();

}  // namespace morvel::testing_support
