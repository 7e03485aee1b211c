// The one QApplication of every test program that needs Qt; see QtTestApp.h.
#include "tests/QtTestApp.h"

#include <gtest/gtest.h>

#include <memory>

namespace morvel::testing_support {
namespace {

std::unique_ptr<QApplication> app;

class QtAppEnvironment : public ::testing::Environment {
 public:
  void TearDown() override { app.reset(); }
};

const auto* const environment = ::testing::AddGlobalTestEnvironment(new QtAppEnvironment);

}  // namespace

QApplication& qtApp() {
  if (!app) {
    static int argc = 1;
    static char name[] = "morvel-tests";
    static char* argv[] = {name, nullptr};
    app = std::make_unique<QApplication>(argc, argv);
  }
  return *app;
}

}  // namespace morvel::testing_support
