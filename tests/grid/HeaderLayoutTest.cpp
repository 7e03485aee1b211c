// The header geometry cache: kept while its inputs stay the same, computed
// again as soon as any of them changes or the grid says its columns or
// bands did, and never kept under a key whose computation failed. The
// geometry itself is checked through the grid in TreeListLayoutTest.
#include <gtest/gtest.h>

#include <stdexcept>

#include "grid/view/HeaderLayout.h"

namespace morvel {
namespace {

struct CountingBuild {
  int* builds;
  int width;
  HeaderLayout operator()() const {
    ++*builds;
    HeaderLayout layout;
    layout.bands.push_back({0, width, false, false});
    return layout;
  }
};

HeaderLayoutKey baseKey() {
  HeaderLayoutKey key;
  key.client = {640, 480};
  key.columnCount = 3;
  key.bandCount = 1;
  return key;
}

TEST(HeaderLayoutTest, KeptForTheSameKey) {
  HeaderLayoutCache cache;
  int builds = 0;
  EXPECT_EQ(cache.get(baseKey(), CountingBuild{&builds, 10}).bands[0].right, 10);
  EXPECT_EQ(cache.get(baseKey(), CountingBuild{&builds, 20}).bands[0].right, 10);
  EXPECT_EQ(builds, 1);
}

using KeyChange = void (*)(HeaderLayoutKey&);

class HeaderLayoutKeyTest : public testing::TestWithParam<KeyChange> {};

TEST_P(HeaderLayoutKeyTest, AnyChangedInputComputesAgain) {
  HeaderLayoutCache cache;
  int builds = 0;
  cache.get(baseKey(), CountingBuild{&builds, 10});
  HeaderLayoutKey changed = baseKey();
  GetParam()(changed);
  EXPECT_EQ(cache.get(changed, CountingBuild{&builds, 20}).bands[0].right, 20);
  EXPECT_EQ(builds, 2);
}

INSTANTIATE_TEST_SUITE_P(Inputs, HeaderLayoutKeyTest,
                         testing::Values([](HeaderLayoutKey& k) { k.leftCoord = 5; },
                                         [](HeaderLayoutKey& k) { k.client.width = 641; },
                                         [](HeaderLayoutKey& k) { k.client.height = 10; },
                                         [](HeaderLayoutKey& k) { k.groupIndent = 16; },
                                         [](HeaderLayoutKey& k) { k.columnCount = 4; },
                                         [](HeaderLayoutKey& k) { k.bandCount = 2; },
                                         [](HeaderLayoutKey& k) { k.generation = 1; }));

TEST(HeaderLayoutTest, InvalidateMakesTheNextKeyDiffer) {
  HeaderLayoutCache cache;
  int builds = 0;
  HeaderLayoutKey key = baseKey();
  key.generation = cache.generation();
  cache.get(key, CountingBuild{&builds, 10});
  cache.invalidate();
  key.generation = cache.generation();
  EXPECT_EQ(cache.get(key, CountingBuild{&builds, 30}).bands[0].right, 30);
  EXPECT_EQ(builds, 2);
}

TEST(HeaderLayoutTest, AFailedComputationKeepsNothing) {
  HeaderLayoutCache cache;
  int builds = 0;
  cache.get(baseKey(), CountingBuild{&builds, 10});
  HeaderLayoutKey other = baseKey();
  other.leftCoord = 7;
  EXPECT_THROW(cache.get(other, []() -> HeaderLayout { throw std::runtime_error("no font"); }),
               std::runtime_error);
  // Neither the old layout under the new key nor under the old one.
  EXPECT_EQ(cache.get(other, CountingBuild{&builds, 40}).bands[0].right, 40);
  EXPECT_EQ(cache.get(baseKey(), CountingBuild{&builds, 50}).bands[0].right, 50);
}

}  // namespace
}  // namespace morvel
