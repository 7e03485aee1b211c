// The table component; see EngineTable.h.
#include "table/EngineTable.h"

#include <algorithm>
#include <exception>

#include "base/Format.h"
#include "base/ScopeGuard.h"
#include "base/StringUtils.h"
#include "table/files/Names.h"

namespace morvel {

namespace {

constexpr const char* kMemoryDatabase = "Memory";

}  // namespace

EngineTable::EngineTable(std::string_view name) : EngineDBDataSet(name), indexDefs_(this) {}

EngineTable::~EngineTable() { destroying(); }

void EngineTable::setTableName(std::string_view name) {
  checkInactive();
  std::string_view file = name;
  const std::size_t cut = name.find_last_of(":\\/");
  if (cut != std::string_view::npos) {
    file = name.substr(cut + 1);
    if (!inMemory_) databaseName_ = name.substr(0, cut + 1);
  }
  if (file == tableName_) return;
  tableName_ = file;
  dataEvent(dcPropertyChange, 0);
}

void EngineTable::setInMemory(bool inMemory) {
  checkInactive();
  inMemory_ = inMemory;
  if (inMemory_) databaseName_ = kMemoryDatabase;
}

void EngineTable::setDatabaseName(std::string_view name) {
  checkInactive();
  if (inMemory_) return;  // an in-memory table always lives in "Memory"
  EngineDBDataSet::setDatabaseName(name);
}

void EngineTable::setExclusive(bool exclusive) {
  checkInactive();
  exclusive_ = exclusive;
}

void EngineTable::setReadOnly(bool readOnly) {
  checkInactive();
  readOnly_ = readOnly;
}

// On an open table the names are taken only once the cursor walks the index
// they name: an unknown one raises and leaves everything as it was.
void EngineTable::setIndexName(std::string_view name) {
  const std::string indexName(name);
  if (active()) switchIndex(resolveIndexName(indexName, {}));
  indexName_ = indexName;
  indexFieldNames_.clear();
}

void EngineTable::setIndexFieldNames(std::string_view names) {
  const std::string fieldNames(names);
  if (active()) switchIndex(resolveIndexName({}, fieldNames));
  indexFieldNames_ = fieldNames;
  indexName_.clear();
}

std::string EngineTable::resolveIndexName(const std::string& indexName,
                                          const std::string& fieldNames) const {
  if (!indexName.empty() || fieldNames.empty()) return indexName;
  // The index whose key fields are the named fields, in that order.
  const DataCursor& c = *cursor();
  const std::vector<std::string_view> names = splitFieldNames(fieldNames);
  for (int i = 0; i <= c.secondaryIndexCount(); ++i) {
    const IndexDescriptor& d = c.indexDescriptor(i);
    if (d.fieldCount() != static_cast<int>(names.size()) || names.empty()) continue;
    bool same = true;
    for (int k = 0; k < d.fieldCount() && same; ++k) {
      same = equalsIgnoringAsciiCase(c.field(d.fieldNumber(k)).name(), names[k]);
    }
    if (same) return i == 0 ? std::string() : d.name();
  }
  raise(formatMessage("No index for fields '%s'", fieldNames));
}

std::unique_ptr<DataCursor> EngineTable::createCursor() {
  if (tableName_.empty()) raise("Missing table name.");
  auto c = std::make_unique<DataCursor>(database()->directory(), tableName_);
  c->setExclusive(exclusive_);
  c->setReadOnly(readOnly_);
  c->setInMemory(inMemory_);
  c->open();
  readOnly_ = c->readOnly();
  return c;
}

void EngineTable::internalOpen() {
  cursor()->selectIndex(resolveIndexName(indexName_, indexFieldNames_));
  EngineDBDataSet::internalOpen();
  restoreIndexDefs();
}

void EngineTable::restoreIndexDefs() {
  indexDefs_.clear();
  const DataCursor& c = *cursor();
  for (int i = 0; i <= c.secondaryIndexCount(); ++i) {
    const IndexDescriptor& d = c.indexDescriptor(i);
    if (i == 0 && d.fieldCount() == 0) continue;  // records in insertion order
    std::string fields;
    for (int k = 0; k < d.fieldCount(); ++k) {
      if (k > 0) fields += ';';
      fields += c.field(d.fieldNumber(k)).name();
    }
    IndexOptions options = 0;
    if (i == 0) options |= ixPrimary;
    if (i > 0 && d.unique()) options |= ixUnique;  // a primary index is unique anyway
    if (d.descending()) options |= ixDescending;
    if (d.caseInsensitive()) options |= ixCaseInsensitive;
    indexDefs_.defineIndex(d.name(), fields, options);
  }
}

std::unique_ptr<DataCursor> EngineTable::maintenanceCursor(bool readOnly) {
  if (tableName_.empty()) raise("Missing table name.");
  auto c = std::make_unique<DataCursor>(database()->directory(), tableName_);
  c->setExclusive(true);
  c->setReadOnly(readOnly);
  c->setInMemory(inMemory_);
  return c;
}

void EngineTable::buildTable() {
  checkInactive();
  FieldDefs& defs = fieldDefs();
  if (defs.empty()) {
    for (int i = 0; i < fieldTotal(); ++i) {
      const Field& f = *field(i);
      if (f.fieldKind() == fkData)
        defs.defineField(f.fieldName(), f.dataType(), f.size(), f.required());
    }
  }
  setDatabaseReason(drTableMaintenance);
  Finally held([this] { clearDatabaseReason(drTableMaintenance); });
  std::unique_ptr<DataCursor> c = maintenanceCursor(false);

  // Fields are numbered by their position: restored definitions may carry
  // the numbers of a table with gaps, which a new table does not have.
  std::vector<FieldDescriptor> fields;
  for (const FieldDef& def : defs) {
    const int number = static_cast<int>(fields.size()) + 1;
    // The descriptor holds 30 characters: a longer name is refused, as the
    // engine refuses every other bad name, rather than silently cut.
    const std::string_view trimmed = trimmedName(def.name());
    if (trimmed.size() > FieldDescriptor::kMaxName) {
      raiseEngineError(kInvalidFieldName, trimmedName(c->tableName()), trimmed);
    }
    const EngineTypeCode code = engineTypeOf(def.dataType());
    FieldDescriptor d(number, def.name(), code.type, code.subtype, 0, def.required());
    const FieldType t = def.dataType();
    // The size byte cannot hold more than 255; the engine refuses what is
    // above its own limit rather than the byte wrapping round.
    if (t == ftString || t == ftBytes || t == ftVarBytes) d.setSize(std::min(def.size(), 255));
    if (t == ftBCD) d.setScale(std::min(def.size(), 255));
    fields.push_back(d);
  }

  for (int i = 1; i < indexDefs_.count(); ++i) {
    if (indexDefs_.item(i)->options() & ixPrimary) {
      indexDefs_.moveToFront(i);
      break;
    }
  }
  std::vector<IndexDescriptor> indexes;
  const bool primaryDefined = !indexDefs_.empty() && (indexDefs_.item(0)->options() & ixPrimary);
  if (!primaryDefined) indexes.emplace_back();  // no key fields: insertion order
  for (const IndexDef& def : indexDefs_) {
    std::vector<int> numbers;
    for (std::string_view name : splitFieldNames(def.fields())) {
      numbers.push_back(defs.indexOf(name) + 1);  // 0 for a name no field has: refused below
    }
    const IndexOptions o = def.options();
    indexes.emplace_back(def.name(), numbers, (o & ixUnique) != 0, (o & ixDescending) != 0,
                         (o & ixCaseInsensitive) != 0);
  }
  TableCreateOptions options;
  options.blobBlockSize = 512;
  c->createTable(std::move(fields), std::move(indexes), options);
}

void EngineTable::dropTable() {
  checkInactive();
  setDatabaseReason(drTableMaintenance);
  Finally held([this] { clearDatabaseReason(drTableMaintenance); });
  maintenanceCursor(readOnly_)->deleteTable();
}

}  // namespace morvel
