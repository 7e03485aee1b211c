// Packed values and the data-bound grid's nodes; see DBGridNode.h.
#include "grid/DBGridNode.h"

#include <algorithm>
#include <cstring>

namespace morvel {

// --- PackedValue -------------------------------------------------------------

void PackedValue::release() noexcept {
  if (kind_ == vkString) delete text_;
  kind_ = vkEmpty;
  integer_ = 0;
}

void PackedValue::copyFrom(const PackedValue& other) {
  if (other.kind_ == vkString) {
    auto* text = new std::string(*other.text_);
    release();
    kind_ = vkString;
    text_ = text;
    return;
  }
  release();
  kind_ = other.kind_;
  integer_ = other.integer_;  // the whole payload
}

void PackedValue::assign(const Variant& value) {
  switch (value.kind()) {
    case vkString: {
      if (kind_ == vkString) {
        *text_ = value.stringValue();
        return;
      }
      auto* text = new std::string(value.stringValue());
      release();
      kind_ = vkString;
      text_ = text;
      return;
    }
    case vkEmpty:
    case vkNull:
      release();
      kind_ = value.kind();
      return;
    case vkInteger:
      release();
      kind_ = vkInteger;
      integer_ = value.integerValue();
      return;
    case vkCurrency:
      release();
      kind_ = vkCurrency;
      integer_ = value.currencyValue();
      return;
    case vkFloat:
      release();
      kind_ = vkFloat;
      float_ = value.floatValue();
      return;
    case vkDate:
      release();
      kind_ = vkDate;
      float_ = value.dateValue();
      return;
    case vkBoolean:
      release();
      kind_ = vkBoolean;
      boolean_ = value.booleanValue();
      return;
  }
}

Variant PackedValue::toVariant() const {
  switch (kind_) {
    case vkEmpty:
      return Variant();
    case vkNull:
      return Variant::null();
    case vkInteger:
      return Variant(static_cast<long long>(integer_));
    case vkCurrency:
      return Variant::currency(integer_);
    case vkFloat:
      return Variant(float_);
    case vkDate:
      return Variant::date(float_);
    case vkBoolean:
      return Variant(boolean_);
    case vkString:
      return Variant(std::string_view(*text_));
  }
  return Variant();
}

namespace {

int compareTexts(const std::string& a, const std::string& b) {
  const std::size_t n = std::min(a.size(), b.size());
  const int c = n ? std::memcmp(a.data(), b.data(), n) : 0;
  if (c != 0) return c < 0 ? -1 : 1;
  return a.size() < b.size() ? -1 : (a.size() > b.size() ? 1 : 0);
}

}  // namespace

int PackedValue::compare(const Variant& other) const {
  if (kind_ == vkString && other.kind() == vkString) {
    return compareTexts(*text_, other.stringValue());
  }
  if (kind_ == vkInteger && other.kind() == vkInteger) {
    const std::int64_t b = other.integerValue();
    return integer_ < b ? -1 : (integer_ > b ? 1 : 0);
  }
  return compareVariants(toVariant(), other);
}

int PackedValue::compare(const PackedValue& other) const {
  if (kind_ == vkString && other.kind_ == vkString) return compareTexts(*text_, *other.text_);
  if (kind_ == vkInteger && other.kind_ == vkInteger) {
    return integer_ < other.integer_ ? -1 : (integer_ > other.integer_ ? 1 : 0);
  }
  return compareVariants(toVariant(), other.toVariant());
}

// --- DBGridNode ----------------------------------------------------------------

DBGridNode::DBGridNode(CustomTreeList* owner) : DBTreeListControlNode(owner) {}

DBGridNode::~DBGridNode() = default;

const DBGridNode::CellEntry* DBGridNode::findEntry(int column, std::uint8_t slot) const {
  for (const CellEntry& e : cells_) {
    if (e.column == column && e.slot == slot) return &e;
    if (e.column > column) break;
  }
  return nullptr;
}

NodeVariantData DBGridNode::nodeVariantData(int column) const {
  NodeVariantData data;
  data.cellValue = Variant::null();
  data.lookupKeyValue = Variant::null();
  if (const CellEntry* e = findEntry(column, 0)) {
    data.presenceBits |= NodeVariantData::kCellValue;
    data.cellValue = e->value.toVariant();
  }
  if (const CellEntry* e = findEntry(column, 1)) {
    data.presenceBits |= NodeVariantData::kLookupKeyValue;
    data.lookupKeyValue = e->value.toVariant();
  }
  return data;
}

void DBGridNode::setNodeVariantData(int column, const NodeVariantData& data) {
  if (column < 0 || column > 0xFFFF) return;
  const auto key = static_cast<std::uint16_t>(column);
  std::erase_if(cells_, [key](const CellEntry& e) { return e.column == key; });
  auto at = std::find_if(cells_.begin(), cells_.end(),
                         [key](const CellEntry& e) { return e.column > key; });
  if (data.presenceBits & NodeVariantData::kLookupKeyValue) {
    at = cells_.insert(at, CellEntry{key, 1, PackedValue(data.lookupKeyValue)});
  }
  if (data.presenceBits & NodeVariantData::kCellValue) {
    cells_.insert(at, CellEntry{key, 0, PackedValue(data.cellValue)});
  }
}

bool DBGridNode::hasCellValue(int column) const { return findEntry(column, 0) != nullptr; }

Variant DBGridNode::cellValue(int column) const {
  const CellEntry* e = findEntry(column, 0);
  return e ? e->value.toVariant() : Variant();
}

bool DBGridNode::cellValueCompare(int column, const Variant& value, int& result) const {
  const CellEntry* e = findEntry(column, 0);
  if (!e) return false;
  result = e->value.compare(value);
  return true;
}

void DBGridNode::copyNodeVariantData(int column, const DBGridNode& from) {
  setNodeVariantData(column, from.nodeVariantData(column));
}

}  // namespace morvel
