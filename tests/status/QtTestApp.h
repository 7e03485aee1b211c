// The QApplication the Qt adapter tests share (offscreen platform). It is
// made before the first test and destroyed after the last one, while the
// process is still in main, as Qt requires.
#pragma once

#include <QApplication>

namespace morvel::testing_support {

QApplication& qtApp();

}  // namespace morvel::testing_support
