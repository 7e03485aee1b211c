// Engine error messages: the code, the text and its arguments, the cut and
// the last-error slot.
#include <gtest/gtest.h>

#include <string>

#include "table/engine/EngineError.h"

namespace morvel {
namespace {

struct MessageCase {
  int code;
  const char* name;
  const char* extra;
  const char* expected;
};

class EngineErrorMessageTest : public ::testing::TestWithParam<MessageCase> {};

TEST_P(EngineErrorMessageTest, ComposesTheMessage) {
  const MessageCase& c = GetParam();
  const EngineError e(c.code, "memory.dat", c.name, c.extra);
  EXPECT_EQ(e.message(), c.expected);
  EXPECT_EQ(e.code(), c.code);
}

INSTANTIATE_TEST_SUITE_P(
    Codes, EngineErrorMessageTest,
    ::testing::Values(
        MessageCase{8706, "", "",
                    "Engine Error # 8706 End of file encountered in table 'memory.dat'"},
        MessageCase{9729, "Primary", "",
                    "Engine Error # 9729 Duplicate key found in index 'Primary' of table "
                    "'memory.dat'"},
        MessageCase{10023, "ByName", "17",
                    "Engine Error # 10023 Invalid field number '17' specified in index 'ByName' "
                    "for table 'memory.dat'"},
        MessageCase{11016, "", "",
                    "Engine Error # 11016 There is insufficient operating system memory "
                    "available for the current operation"},
        MessageCase{10051, "", "bad token",
                    "Engine Error # 10051 Filter error for table 'memory.dat' - bad token"},
        MessageCase{4242, "", "",
                    "Engine Error # 4242 Unknown error occurred with table 'memory.dat'"},
        MessageCase{13060, "", "", "Engine Error # 13060 The table 'memory.dat' already exists"}));

TEST(EngineErrorTest, IsADatabaseError) {
  try {
    raiseEngineError(kTableExists, "t.dat");
  } catch (const DatabaseError& e) {
    EXPECT_NE(dynamic_cast<const EngineError*>(&e), nullptr);
  }
}

TEST(EngineErrorTest, LongTextsAreCut) {
  const std::string table(400, 't');
  EXPECT_EQ(EngineError::text(kAccessDenied, table).size(), 254u);
  const EngineError e(kAccessDenied, table);
  EXPECT_EQ(e.message().size(), std::string("Engine Error # 11013 ").size() + 254);
}

TEST(EngineErrorTest, PercentSignsInNamesAreNotDirectives) {
  EXPECT_EQ(EngineError::text(kAtStart, "50%s.dat"),
            "Beginning of file encountered in table '50%s.dat'");
}

TEST(EngineErrorTest, TheLastErrorIsKept) {
  EXPECT_THROW(raiseEngineError(kValueRequired, "memory.dat", "Name"), EngineError);
  const LastEngineError last = lastEngineError();
  EXPECT_EQ(last.code, kValueRequired);
  EXPECT_EQ(last.table, "memory.dat");
  EXPECT_EQ(last.name, "Name");
}

}  // namespace
}  // namespace morvel
