// The date texts a grid load keeps per column: every text is the field's
// own, for columns of few dates and of many, and a memo forgets its texts
// when told to, so that new format settings take effect.
#include <gtest/gtest.h>

#include <string>

#include "base/DateTextMemo.h"
#include "base/FormatSettings.h"
#include "table/Field.h"
#include "tests/TestSupport.h"

namespace morvel {
namespace {

struct MemoShape {
  const char* name;
  bool dateOnly;  // a date field (short date) or a date-time field
  int distinct;   // how many different values come round
  int count;      // how many values are asked for
  double step;    // between two values
  bool twice;     // each value comes twice in a row, and never again
};

class DateTextMemoTest : public ::testing::TestWithParam<MemoShape> {
 protected:
  DateTextMemoTest() : saved_(formatSettings()) {
    formatSettings() = testing_support::ukFormatSettings();
  }
  ~DateTextMemoTest() override { formatSettings() = saved_; }
  FormatSettings saved_;
};

TEST_P(DateTextMemoTest, GivesTheFieldsOwnTextForEveryValue) {
  const MemoShape shape = GetParam();
  DateField dateField("Due");
  DateTimeField dateTimeField("Start");
  const DateTimeField& field =
      shape.dateOnly ? static_cast<DateTimeField&>(dateField) : dateTimeField;
  DateTextMemo memo;
  std::string got;
  std::string want;
  for (int i = 0; i < shape.count; ++i) {
    // Values come round in a scrambled order, or each twice in a row.
    const int k =
        shape.twice ? i / 2 : static_cast<int>((static_cast<long long>(i) * 7919) % shape.distinct);
    const double value = 40000 + k * shape.step;
    memo.text(value, got, [&field](double v, std::string& out) { field.valueText(v, out); });
    field.valueText(value, want);
    ASSERT_EQ(got, want) << "value " << value;
  }
  // -0 and 0 are told apart by their bits, and each keeps its own text.
  memo.text(-0.0, got, [&field](double v, std::string& out) { field.valueText(v, out); });
  field.valueText(-0.0, want);
  EXPECT_EQ(got, want);
}

INSTANTIATE_TEST_SUITE_P(
    Shapes, DateTextMemoTest,
    ::testing::Values(MemoShape{"FewDays", true, 300, 5000, 1, false},
                      MemoShape{"ManyDays", true, 40000, 90000, 1, false},
                      MemoShape{"TimesThatNeverRepeat", false, 60000, 60000, 1.0 / 1440, false},
                      MemoShape{"TimesThatRepeat", false, 500, 20000, 0.25, false},
                      // Days far apart: those beyond the span kept are formatted each.
                      MemoShape{"MoreDaysThanItKeeps", true, 100000, 200000, 1, true},
                      // Days that take turns in one entry of the memo.
                      MemoShape{"DaysThatShareAPlace", true, 50, 5000, 4096, false}),
    [](const ::testing::TestParamInfo<MemoShape>& info) { return info.param.name; });

TEST(DateTextMemo, ForgetsItsTextsWhenCleared) {
  const FormatSettings saved = formatSettings();
  formatSettings() = testing_support::ukFormatSettings();
  DateField field("Due");
  DateTextMemo memo;
  std::string text;
  memo.text(45000, text, [&field](double v, std::string& out) { field.valueText(v, out); });
  const std::string before = text;
  formatSettings().dateFormatShort = "yyyy-mm-dd";
  formatSettings().dateSep = '-';
  memo.clear();
  memo.text(45000, text, [&field](double v, std::string& out) { field.valueText(v, out); });
  std::string want;
  field.valueText(45000, want);
  EXPECT_EQ(text, want);
  EXPECT_NE(text, before);
  formatSettings() = saved;
}

}  // namespace
}  // namespace morvel
