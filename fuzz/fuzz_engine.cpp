// A table opened from fuzzed data-file and index-file bytes, then walked in
// every order, counted, numbered, bookmarked, changed and checked. Damage
// must come out as engine errors: a crash, a sanitizer report, a hang or any
// other exception is a finding.
//
// Input: the first byte picks the mode. Even: the rest is split into a data
// file and an index file taken as they are. Odd: one of a few valid tables
// (built once) is damaged by the rest of the input, read as five-byte
// patches (file, offset of three bytes, value to xor in); a patch value of 0
// truncates the file at the offset instead.
#include <cstdint>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "table/engine/Bytes.h"
#include "table/engine/DataCursor.h"
#include "table/engine/IntegrityCheck.h"
#include "table/files/FileHandler.h"
#include "table/files/FileList.h"

using namespace morvel;

namespace {

constexpr const char* kTable = "fuzz.dat";
constexpr int kMaxSteps = 600;

struct TableFiles {
  std::vector<std::uint8_t> data;
  std::vector<std::uint8_t> index;
};

std::vector<std::uint8_t> readFile(const std::string& name) {
  FileHandler h(name, true);
  h.open(false);
  std::vector<std::uint8_t> out(static_cast<std::size_t>(h.size()));
  h.readAt(0, out.data(), h.size());
  return out;
}

void writeFile(const std::string& name, const std::vector<std::uint8_t>& bytes) {
  FileHandler h(name, true);
  h.create();
  if (!bytes.empty()) h.writeAt(0, bytes.data(), static_cast<std::int64_t>(bytes.size()));
}

void removeFiles() {
  FileList::instance().remove("fuzz.dat", true);
  FileList::instance().remove("fuzz.IDX", true);
}

void putText(DataCursor& c, std::vector<std::uint8_t>& r, int field, const std::string& text) {
  c.putField(field, r.data(), reinterpret_cast<const std::uint8_t*>(text.c_str()));
}

// Valid tables to damage: a few hundred records with a secondary index (short
// and long keys, some deleted), an empty one, and one without primary key
// fields.
TableFiles buildTable(int variant) {
  removeFiles();
  DataDirectory directory("MEMORY", "");
  DataCursor c(directory, kTable);
  c.setInMemory(true);
  std::vector<FieldDescriptor> fields{
      FieldDescriptor(1, "ID", kTypeInt32, kSubtypeAutoInc, 0, true),
      FieldDescriptor(2, "Name", kTypeString, 0, variant == 1 ? 200 : 20),
      FieldDescriptor(3, "Born", kTypeDate, 0)};
  std::vector<IndexDescriptor> indexes{variant == 3 ? IndexDescriptor() : IndexDescriptor("", {1}),
                                       IndexDescriptor("ByName", {2}, false, false, true),
                                       IndexDescriptor("ByBorn", {3, 2}, false, true)};
  c.createTable(fields, indexes);
  c.open();
  const int count = variant == 2 ? 0 : variant == 1 ? 200 : 150;
  std::vector<std::uint8_t> r(static_cast<std::size_t>(c.recordSize()));
  for (int i = 0; i < count; ++i) {
    c.blankRecord(r.data());
    putText(c, r, 2, "n" + std::to_string((i * 7919) % 211));
    std::uint8_t born[4];
    bytes::putInt32(born, 730000 + i % 17);
    c.putField(3, r.data(), born);
    c.insertRecord(r.data());
    if (i % 9 == 4) c.deleteRecord(nullptr);
  }
  c.close();
  TableFiles files{readFile("fuzz.dat"), readFile("fuzz.IDX")};
  c.deleteTable();
  return files;
}

const std::vector<TableFiles>& baseTables() {
  static const std::vector<TableFiles> tables = [] {
    std::vector<TableFiles> t;
    for (int v = 0; v < 4; ++v) t.push_back(buildTable(v));
    return t;
  }();
  return tables;
}

void walk(DataCursor& c, std::vector<std::uint8_t>& r) {
  std::vector<std::uint8_t> mark(static_cast<std::size_t>(c.bookmarkSize()));
  c.recordCount();
  c.first();
  for (int i = 0; i < kMaxSteps && c.readNext(r.data()) == DataCursor::kOk; ++i) {
    if (i % 17 == 0) {
      c.recordNumber();
      c.getBookmark(mark.data());
    }
    std::uint8_t value[256];
    for (int f = 1; f <= c.fieldCount(); ++f) c.getField(f, r.data(), value);
  }
  c.last();
  for (int i = 0; i < kMaxSteps && c.readPrior(r.data()) == DataCursor::kOk; ++i) {
    if (i % 13 == 0) c.recordNumber();
  }
  c.goToBookmark(mark.data());
  c.readCurrent(r.data());
}

void exercise() {
  DataDirectory directory("MEMORY", "");
  DataCursor c(directory, kTable);
  c.setInMemory(true);
  c.setExclusive(true);
  try {
    c.open();
  } catch (const Exception&) {
    return;
  }
  std::vector<std::uint8_t> r(static_cast<std::size_t>(c.recordSize()));
  for (int i = 0; i <= c.secondaryIndexCount(); ++i) {
    try {
      c.selectIndex(i == 0 ? std::string() : c.indexDescriptor(i).name());
      walk(c, r);
    } catch (const Exception&) {
    }
  }
  try {
    c.selectRecordNumberOrder();
    walk(c, r);
  } catch (const Exception&) {
  }
  try {
    c.selectIndex("");
    c.blankRecord(r.data());
    putText(c, r, 2, "inserted");
    c.insertRecord(r.data());
    c.first();
    if (c.readNext(r.data()) == DataCursor::kOk) {
      putText(c, r, 2, "updated");
      c.updateRecord(r.data());
      c.deleteRecord(nullptr);
    }
  } catch (const Exception&) {
  }
  try {
    checkTableIntegrity(c.table());
  } catch (const Exception&) {
  }
  try {
    c.close();
  } catch (const Exception&) {
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* input, std::size_t size) {
  if (size < 1) return 0;
  const std::vector<TableFiles>& bases = baseTables();
  TableFiles files;
  const std::uint8_t mode = input[0];
  ++input;
  --size;
  if (mode % 2 == 0) {
    if (size < 2) return 0;
    const std::size_t split = (input[0] | (input[1] << 8)) % (size - 1);
    files.data.assign(input + 2, input + 2 + split);
    files.index.assign(input + 2 + split, input + size);
  } else {
    files = bases[static_cast<std::size_t>(mode / 2) % bases.size()];
    for (std::size_t at = 0; at + 5 <= size; at += 5) {
      std::vector<std::uint8_t>& target = input[at] % 2 ? files.index : files.data;
      if (target.empty()) continue;
      const std::size_t offset =
          (input[at + 1] | (input[at + 2] << 8) | (input[at + 3] << 16)) % target.size();
      if (input[at + 4] == 0) {
        target.resize(offset);
      } else {
        target[offset] ^= input[at + 4];
      }
    }
  }
  writeFile("fuzz.dat", files.data);
  writeFile("fuzz.IDX", files.index);
  exercise();
  removeFiles();
  return 0;
}
