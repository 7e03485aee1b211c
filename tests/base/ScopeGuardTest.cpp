// The scope guards: clean-up on every path, undo only on failure unless
// dismissed, the first error winning when a clean-up raises while another
// error is on its way, and a value scope putting back what it replaced.
#include <gtest/gtest.h>

#include <functional>
#include <stdexcept>
#include <string>

#include "base/ScopeGuard.h"

namespace morvel {
namespace {

TEST(ScopeGuard, FinallyRunsOnEveryPath) {
  int runs = 0;
  {
    const Finally f([&] { ++runs; });
  }
  EXPECT_EQ(runs, 1);
  EXPECT_THROW(
      {
        const Finally f([&] { ++runs; });
        throw std::runtime_error("first");
      },
      std::runtime_error);
  EXPECT_EQ(runs, 2);
}

TEST(ScopeGuard, FinallyLetsTheFirstErrorThrough) {
  try {
    const Finally f([] { throw std::logic_error("clean-up"); });
    throw std::runtime_error("first");
  } catch (const std::runtime_error& e) {
    EXPECT_EQ(std::string(e.what()), "first");
  }
  // With no error on its way, the clean-up's own error is reported.
  EXPECT_THROW({ const Finally f([] { throw std::logic_error("clean-up"); }); }, std::logic_error);
}

TEST(ScopeGuard, OnFailureUndoesOnlyWhatFailed) {
  int undone = 0;
  {
    OnFailure undo([&] { ++undone; });
    undo.dismiss();
  }
  {
    const OnFailure undo([&] { ++undone; });
  }
  EXPECT_EQ(undone, 0);
  EXPECT_THROW(
      {
        const OnFailure undo([&] { ++undone; });
        throw std::runtime_error("failed");
      },
      std::runtime_error);
  EXPECT_EQ(undone, 1);
  // A guard made while another error unwinds reacts to its own scope only.
  try {
    const Finally outer([&] { const OnFailure inner([&] { ++undone; }); });
    throw std::runtime_error("outer");
  } catch (const std::runtime_error&) {
  }
  EXPECT_EQ(undone, 1);
}

TEST(ScopeGuard, ValueScopeRestoresWhatItReplaced) {
  bool flag = false;
  std::function<int()> handler = [] { return 1; };
  EXPECT_THROW(
      {
        const FlagScope set(flag, true);
        const ValueScope<std::function<int()>> detached(handler, nullptr);
        EXPECT_TRUE(flag);
        EXPECT_FALSE(handler);
        EXPECT_EQ(detached.saved()(), 1);
        {
          const FlagScope unset(flag, false);
          EXPECT_FALSE(flag);
        }
        EXPECT_TRUE(flag);
        throw std::runtime_error("leave");
      },
      std::runtime_error);
  EXPECT_FALSE(flag);
  ASSERT_TRUE(handler);
  EXPECT_EQ(handler(), 1);
}

}  // namespace
}  // namespace morvel
