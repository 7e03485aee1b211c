// The field and index definition collections; see FieldDefs.h.
#include "table/FieldDefs.h"

#include "base/Format.h"
#include "base/StringUtils.h"
#include "table/DataSet.h"

namespace morvel {

namespace {

constexpr int kMaxStringFieldSize = 8192;

bool isSizedType(FieldType type) {
  return type == ftString || type == ftFixedChar || type == ftWideString || type == ftBytes ||
         type == ftVarBytes;
}

[[noreturn]] void raise(const DataSet* owner, const std::string& text) {
  throw DataSet::databaseError(owner ? owner->name() : std::string_view(), text);
}

}  // namespace

FieldDef& FieldDefs::defineField(std::string_view name, FieldType type, int size, bool required) {
  if (name.empty()) raise(owner_, "Field name missing");
  if (isSizedType(type) && (size < 0 || size > kMaxStringFieldSize)) {
    raise(owner_, "Invalid field size");
  }
  if (find(name)) raise(owner_, formatMessage("Duplicate field name '%s'", name));
  return append(std::string(name), type, size, required ? unsigned{faRequired} : 0u);
}

FieldDef& FieldDefs::append(std::string name, FieldType type, int size, unsigned attributes,
                            int fieldNo) {
  defs_.emplace_back(std::move(name), type, size, attributes, fieldNo > 0 ? fieldNo : count() + 1);
  return defs_.back();
}

const FieldDef* FieldDefs::item(int index) const {
  return index >= 0 && index < count() ? &defs_[index] : nullptr;
}

FieldDef* FieldDefs::item(int index) {
  return index >= 0 && index < count() ? &defs_[index] : nullptr;
}

const FieldDef* FieldDefs::find(std::string_view name) const {
  const int at = indexOf(name);
  return at < 0 ? nullptr : &defs_[at];
}

int FieldDefs::indexOf(std::string_view name) const {
  for (int i = 0; i < count(); ++i) {
    if (equalsIgnoringAsciiCase(defs_[i].name(), name)) return i;
  }
  return -1;
}

IndexDef& IndexDefs::defineIndex(std::string_view name, std::string_view fields,
                                 IndexOptions options) {
  if (find(name)) raise(owner_, formatMessage("Duplicate index name '%s'", name));
  defs_.emplace_back(std::string(name), std::string(fields), options);
  return defs_.back();
}

void IndexDefs::moveToFront(int first) {
  if (first <= 0 || first >= count()) return;
  IndexDef moved = std::move(defs_[first]);
  defs_.erase(defs_.begin() + first);
  defs_.insert(defs_.begin(), std::move(moved));
}

const IndexDef* IndexDefs::item(int index) const {
  return index >= 0 && index < count() ? &defs_[index] : nullptr;
}

const IndexDef* IndexDefs::find(std::string_view name) const {
  for (const IndexDef& def : defs_) {
    if (equalsIgnoringAsciiCase(def.name(), name)) return &def;
  }
  return nullptr;
}

std::vector<std::string_view> splitFieldNames(std::string_view names) {
  std::vector<std::string_view> result;
  while (true) {
    const std::size_t end = names.find(';');
    std::string_view name = names.substr(0, end);
    while (!name.empty() && name.front() == ' ') name.remove_prefix(1);
    while (!name.empty() && name.back() == ' ') name.remove_suffix(1);
    if (!name.empty()) result.push_back(name);
    if (end == std::string_view::npos) break;
    names.remove_prefix(end + 1);
  }
  return result;
}

}  // namespace morvel
