// Shared set-up for the engine tests: an in-memory database, a table shaped
// like the viewer's, and helpers that write and read fields of a record
// image by name.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <functional>
#include <string>
#include <type_traits>
#include <vector>

#include "table/engine/Bytes.h"
#include "table/engine/DataCursor.h"
#include "table/engine/DataDirectory.h"
#include "table/engine/IntegrityCheck.h"

namespace morvel::test {

// Joins texts and numbers (GCC 12 warns falsely about "x" + std::to_string(n)).
template <class... Parts>
std::string cat(const Parts&... parts) {
  std::string out;
  const auto add = [&out](const auto& part) {
    if constexpr (std::is_arithmetic_v<std::decay_t<decltype(part)>>) {
      out += std::to_string(part);
    } else {
      out += part;
    }
  };
  (add(parts), ...);
  return out;
}

inline int engineCode(const std::function<void()>& f) {
  try {
    f();
  } catch (const EngineError& e) {
    return e.code();
  }
  return 0;
}

// "ID" auto-increment, "Name" string(20), "Born" date.
inline std::vector<FieldDescriptor> smallFields() {
  return {FieldDescriptor(1, "ID", kTypeInt32, kSubtypeAutoInc, 0, true),
          FieldDescriptor(2, "Name", kTypeString, 0, 20), FieldDescriptor(3, "Born", kTypeDate, 0)};
}

inline std::vector<IndexDescriptor> primaryOnId() { return {IndexDescriptor("", {1})}; }

// A cursor fixture on a fresh in-memory table, dropped afterwards.
class EngineTest : public ::testing::Test {
 protected:
  EngineTest() : directory_("MEMORY", "") {}
  void TearDown() override {
    cursors_.clear();
    for (const std::string& name : made_) {
      DataCursor c(directory_, name);
      c.setInMemory(true);
      if (c.tableExists()) c.deleteTable();
    }
  }

  std::string uniqueName() {
    static int counter = 0;
    return cat("enginetest_", ++counter, ".dat");
  }

  // A new table of that shape, dropped after the test; returns its name.
  std::string newTable(std::vector<FieldDescriptor> fields = smallFields(),
                       std::vector<IndexDescriptor> indexes = primaryOnId()) {
    const std::string name = uniqueName();
    made_.push_back(name);
    DataCursor c(directory_, name);
    c.setInMemory(true);
    c.createTable(std::move(fields), std::move(indexes));
    return name;
  }

  DataCursor& makeCursor(const std::string& name, bool exclusive = false) {
    cursors_.push_back(std::make_unique<DataCursor>(directory_, name));
    DataCursor& c = *cursors_.back();
    c.setInMemory(true);
    c.setExclusive(exclusive);
    return c;
  }

  DataCursor& createAndOpen(std::vector<FieldDescriptor> fields,
                            std::vector<IndexDescriptor> indexes, bool exclusive = true) {
    const std::string name = uniqueName();
    made_.push_back(name);
    DataCursor& c = makeCursor(name, exclusive);
    c.createTable(std::move(fields), std::move(indexes));
    c.open();
    return c;
  }

  std::vector<std::uint8_t> blank(const DataCursor& c) {
    return std::vector<std::uint8_t>(static_cast<std::size_t>(c.recordSize()), 0);
  }

  static int fieldNumber(const DataCursor& c, const std::string& name) {
    for (const FieldDescriptor& f : c.fields()) {
      if (f.name() == name) return f.number();
    }
    ADD_FAILURE() << "no field " << name;
    return 1;
  }
  static void putText(const DataCursor& c, std::vector<std::uint8_t>& record,
                      const std::string& field, const std::string& text) {
    c.putField(fieldNumber(c, field), record.data(),
               reinterpret_cast<const std::uint8_t*>(text.c_str()));
  }
  static void putInt(const DataCursor& c, std::vector<std::uint8_t>& record,
                     const std::string& field, std::int32_t value) {
    std::uint8_t v[4];
    bytes::putInt32(v, value);
    c.putField(fieldNumber(c, field), record.data(), v);
  }
  static void putDouble(const DataCursor& c, std::vector<std::uint8_t>& record,
                        const std::string& field, double value) {
    std::uint8_t v[8];
    std::memcpy(v, &value, 8);
    c.putField(fieldNumber(c, field), record.data(), v);
  }
  static std::string getText(const DataCursor& c, const std::vector<std::uint8_t>& record,
                             const std::string& field) {
    std::uint8_t v[256];
    c.getField(fieldNumber(c, field), record.data(), v);
    return reinterpret_cast<const char*>(v);
  }
  static std::int32_t getInt(const DataCursor& c, const std::vector<std::uint8_t>& record,
                             const std::string& field) {
    std::uint8_t v[8];
    c.getField(fieldNumber(c, field), record.data(), v);
    return bytes::getInt32(v);
  }

  // Inserts a record with the given name (and date, when not 0).
  void insertNamed(DataCursor& c, const std::string& name, std::int32_t born = 0) {
    auto r = blank(c);
    putText(c, r, "Name", name);
    if (born != 0) putInt(c, r, "Born", born);
    c.insertRecord(r.data());
  }

  // The ID values of a full walk in the current order.
  std::vector<std::int32_t> walkIds(DataCursor& c, bool backward = false) {
    std::vector<std::int32_t> ids;
    auto r = blank(c);
    if (backward) {
      c.last();
      while (c.readPrior(r.data()) == DataCursor::kOk) ids.push_back(getInt(c, r, "ID"));
      std::reverse(ids.begin(), ids.end());
    } else {
      c.first();
      while (c.readNext(r.data()) == DataCursor::kOk) ids.push_back(getInt(c, r, "ID"));
    }
    return ids;
  }

  static void expectIntact(DataCursor& c) {
    const std::vector<std::string> problems = checkTableIntegrity(c.table());
    for (const std::string& p : problems) ADD_FAILURE() << p;
  }

  DataDirectory directory_;
  std::vector<std::unique_ptr<DataCursor>> cursors_;
  std::vector<std::string> made_;
};

}  // namespace morvel::test
