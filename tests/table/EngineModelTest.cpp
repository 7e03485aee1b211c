// Thousands of random inserts, updates and deletes (fixed seed) on a table
// with a primary index and two secondary indexes, compared after every step
// with a std::map model: walks both ways in every index, counts, record
// numbers, bookmarks, and the full integrity check. Run with short keys and
// with long ones, so that pages hold few entries and split and merge all
// the time. Some changes run out of memory part-way and must change nothing.
#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <random>

#include "EngineTestSupport.h"
#include "table/files/EngineAllocator.h"

namespace morvel::test {
namespace {

struct Row {
  std::string name;       // as stored: trailing blanks cut
  std::int32_t born = 0;  // 0 = blank
  std::int32_t slot = 0;
};

struct ModelCase {
  const char* label;
  int nameSize;
  int steps;
  int targetSize;
};

class EngineModelTest : public EngineTest, public ::testing::WithParamInterface<ModelCase> {
 protected:
  static std::string upper(std::string s) {
    for (char& c : s) c = static_cast<char>(c >= 'a' && c <= 'z' ? c - 'a' + 'A' : c);
    return s;
  }

  // Expected ID order of each index.
  std::vector<std::int32_t> expected(int index) const {
    std::vector<std::int32_t> ids;
    for (const auto& [id, row] : model_) ids.push_back(id);
    const auto& m = model_;
    if (index == 1) {
      std::sort(ids.begin(), ids.end(), [&](std::int32_t a, std::int32_t b) {
        const Row &x = m.at(a), &y = m.at(b);
        const auto kx = std::make_tuple(!x.name.empty(), upper(x.name), x.slot);
        const auto ky = std::make_tuple(!y.name.empty(), upper(y.name), y.slot);
        return kx < ky;
      });
    } else if (index == 2) {
      std::sort(ids.begin(), ids.end(), [&](std::int32_t a, std::int32_t b) {
        const Row &x = m.at(a), &y = m.at(b);
        // Descending on the date (a blank sorts after every date), then by slot.
        if ((x.born != 0) != (y.born != 0)) return x.born != 0;
        if (x.born != y.born) return x.born > y.born;
        return x.slot < y.slot;
      });
    }
    return ids;
  }

  std::string randomName(std::mt19937& rng) {
    static const char* const stems[] = {"smith", "SMITH", "Jones", "jones ", "  ",
                                        "",      "ab",    "Ab",    "zed",    "m"};
    std::string s = stems[rng() % 10];
    if (rng() % 3 == 0) s += static_cast<char>('a' + rng() % 26);
    if (rng() % 8 == 0)
      s = std::string(static_cast<std::size_t>(GetParam().nameSize),
                      static_cast<char>('k' + rng() % 3));
    return s;
  }
  static std::string stored(std::string s) {
    while (!s.empty() && s.back() == ' ') s.pop_back();
    return s;
  }
  static std::int32_t randomBorn(std::mt19937& rng) {
    return rng() % 5 == 0 ? 0 : 730000 + static_cast<std::int32_t>(rng() % 40);
  }

  void fill(std::vector<std::uint8_t>& r, const std::string& name, std::int32_t born) {
    putText(*c_, r, "Name", name);
    if (born == 0) {
      c_->putField(fieldNumber(*c_, "Born"), r.data(), nullptr);
    } else {
      putInt(*c_, r, "Born", born);
    }
  }

  // Positions the cursor (primary order) on the record with this ID.
  void seekId(std::int32_t id, std::vector<std::uint8_t>& r) {
    c_->selectIndex("");
    std::uint8_t mark[5];
    mark[0] = 1;
    bytes::putBig32(mark + 1, static_cast<std::uint32_t>(id) ^ 0x80000000u);
    ASSERT_TRUE(c_->goToBookmark(mark));
    ASSERT_EQ(c_->readCurrent(r.data()), DataCursor::kOk);
    ASSERT_EQ(getInt(*c_, r, "ID"), id);
  }

  void verify(std::mt19937& rng, int step) {
    static const char* const names[] = {"", "ByName", "ByBorn"};
    auto r = blank(*c_);
    for (int index = 0; index < 3; ++index) {
      c_->selectIndex(names[index]);
      const std::vector<std::int32_t> want = expected(index);
      ASSERT_EQ(c_->recordCount(), static_cast<std::int64_t>(want.size()))
          << "step " << step << " index " << index;
      std::vector<std::int32_t> got;
      c_->first();
      while (c_->readNext(r.data()) == DataCursor::kOk) {
        got.push_back(getInt(*c_, r, "ID"));
        ASSERT_EQ(c_->recordNumber(), static_cast<std::int64_t>(got.size())) << "step " << step;
        const Row& row = model_.at(got.back());
        ASSERT_EQ(getText(*c_, r, "Name"), row.name);
        ASSERT_EQ(getInt(*c_, r, "Born"), row.born);
      }
      ASSERT_EQ(got, want) << "forward, step " << step << " index " << index;
      ASSERT_EQ(walkIds(*c_, true), want) << "backward, step " << step << " index " << index;
      if (!want.empty()) {
        // A bookmark taken on a random record brings the cursor back to it.
        const std::size_t pick = rng() % want.size();
        c_->first();
        for (std::size_t i = 0; i <= pick; ++i) c_->readNext(r.data());
        std::vector<std::uint8_t> mark(static_cast<std::size_t>(c_->bookmarkSize()));
        ASSERT_TRUE(c_->getBookmark(mark.data()));
        c_->last();
        ASSERT_TRUE(c_->goToBookmark(mark.data()));
        ASSERT_EQ(c_->readCurrent(r.data()), DataCursor::kOk);
        ASSERT_EQ(getInt(*c_, r, "ID"), want[pick]);
        ASSERT_EQ(c_->recordNumber(), static_cast<std::int64_t>(pick + 1));
      }
    }
    const std::vector<std::string> problems = checkTableIntegrity(c_->table());
    ASSERT_TRUE(problems.empty()) << "step " << step << ": " << problems.front();
  }

  std::map<std::int32_t, Row> model_;
  std::vector<std::int32_t> freeSlots_;
  std::int32_t nextSlot_ = 1;
  std::int32_t nextId_ = 1;
  DataCursor* c_ = nullptr;
};

TEST_P(EngineModelTest, MatchesAMapModel) {
  const ModelCase& param = GetParam();
  std::vector<FieldDescriptor> fields{
      FieldDescriptor(1, "ID", kTypeInt32, kSubtypeAutoInc, 0, true),
      FieldDescriptor(2, "Name", kTypeString, 0, param.nameSize),
      FieldDescriptor(3, "Born", kTypeDate, 0)};
  std::vector<IndexDescriptor> indexes{IndexDescriptor("", {1}),
                                       IndexDescriptor("ByName", {2}, false, false, true),
                                       IndexDescriptor("ByBorn", {3}, false, true)};
  c_ = &createAndOpen(fields, indexes);
  std::mt19937 rng(20240611);
  auto r = blank(*c_);
  // Now and then a change is made to run out of memory part-way (at one of
  // its allocations, or from one on): it must then change nothing.
  const auto attempt = [&](const std::function<void()>& change) {
    const bool inject = rng() % 4 == 0;
    if (inject) failEngineAllocationsAfter(rng() % 6, rng() % 2 == 0);
    try {
      change();
    } catch (const EngineError& e) {
      stopFailingEngineAllocations();
      if (e.code() != 11016) throw;
      return false;
    }
    stopFailingEngineAllocations();
    return true;
  };
  for (int step = 0; step < param.steps; ++step) {
    const int size = static_cast<int>(model_.size());
    const unsigned roll = rng() % 100;
    // Grow towards the target size, then hover around it.
    const unsigned insertShare = size < param.targetSize ? 60 : 35;
    if (model_.empty() || roll < insertShare) {
      const std::string name = randomName(rng);
      const std::int32_t born = randomBorn(rng);
      std::fill(r.begin(), r.end(), 0);
      fill(r, name, born);
      if (attempt([&] { c_->insertRecord(r.data()); })) {
        std::int32_t slot;
        if (!freeSlots_.empty()) {
          slot = freeSlots_.back();
          freeSlots_.pop_back();
        } else {
          slot = nextSlot_++;
        }
        model_[nextId_++] = Row{stored(name), born, slot};
      }
    } else {
      auto it = model_.begin();
      std::advance(it, static_cast<long>(rng() % model_.size()));
      const std::int32_t id = it->first;
      seekId(id, r);
      if (HasFatalFailure()) return;
      if (roll < insertShare + 30) {
        const std::string name = rng() % 2 ? randomName(rng) : it->second.name;
        const std::int32_t born = rng() % 2 ? randomBorn(rng) : it->second.born;
        fill(r, name, born);
        if (attempt([&] { c_->updateRecord(r.data()); })) {
          it->second.name = stored(name);
          it->second.born = born;
        }
      } else {
        if (attempt([&] { c_->deleteRecord(r.data()); })) {
          freeSlots_.push_back(it->second.slot);
          model_.erase(it);
        }
      }
    }
    if (step % 400 == 399) {
      // Everything must survive being written back and read again.
      c_->close();
      c_->open();
    }
    verify(rng, step);
    if (HasFatalFailure()) return;
  }
}

INSTANTIATE_TEST_SUITE_P(Keys, EngineModelTest,
                         ::testing::Values(ModelCase{"ShortKeys", 20, 800, 200},
                                           ModelCase{"LongKeys", 250, 900, 180}),
                         [](const auto& info) { return std::string(info.param.label); });

}  // namespace
}  // namespace morvel::test
