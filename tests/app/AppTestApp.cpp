// The QApplication the window tests share (offscreen), made before the
// first test that needs it and destroyed after the last, inside main.
#include "tests/app/AppTestApp.h"

#include <gtest/gtest.h>

#include <memory>

namespace morvel::testing_support {
namespace {

std::unique_ptr<QApplication> app;

class AppEnvironment : public ::testing::Environment {
 public:
  void TearDown() override { app.reset(); }
};

const auto* const environment = ::testing::AddGlobalTestEnvironment(new AppEnvironment);

}  // namespace

QApplication& appForTests() {
  if (!app) {
    static int argc = 1;
    static char name[] = "tests_app";
    static char* argv[] = {name, nullptr};
    app = std::make_unique<QApplication>(argc, argv);
  }
  return *app;
}

}  // namespace morvel::testing_support
