// Packed values and the data-bound grid's nodes; see DBGridNode.h.
#include "grid/db/DBGridNode.h"

#include <algorithm>
#include <cstring>
#include <memory>

#include "base/ScopeGuard.h"
#include "base/SmallBlocks.h"

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
    aux8_ = other.aux8_;
    aux16_ = other.aux16_;
    return;
  }
  release();
  kind_ = other.kind_;
  integer_ = other.integer_;  // the whole payload
  aux8_ = other.aux8_;
  aux16_ = other.aux16_;
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

int compareTexts(std::string_view a, std::string_view b) {
  const std::size_t n = std::min(a.size(), b.size());
  const int c = n ? std::memcmp(a.data(), b.data(), n) : 0;
  if (c != 0) return c < 0 ? -1 : 1;
  return a.size() < b.size() ? -1 : (a.size() > b.size() ? 1 : 0);
}

}  // namespace

std::optional<int> PackedValue::tryCompare(const Variant& other) const noexcept {
  const VariantView o = other.view();
  if (kind_ == vkString && o.kind == vkString) return compareTexts(*text_, o.text);
  if (kind_ == vkInteger && o.kind == vkInteger) {
    return integer_ < o.integer ? -1 : (integer_ > o.integer ? 1 : 0);
  }
  return tryCompareVariants(view(), o);
}

std::optional<int> PackedValue::tryCompare(const PackedValue& other) const noexcept {
  if (kind_ == vkString && other.kind_ == vkString) return compareTexts(*text_, *other.text_);
  if (kind_ == vkInteger && other.kind_ == vkInteger) {
    return integer_ < other.integer_ ? -1 : (integer_ > other.integer_ ? 1 : 0);
  }
  return tryCompareVariants(view(), other.view());
}

int PackedValue::compare(const Variant& other) const {
  if (const std::optional<int> c = tryCompare(other)) return *c;
  return compareVariants(toVariant(), other);  // raises
}

int PackedValue::compare(const PackedValue& other) const {
  if (const std::optional<int> c = tryCompare(other)) return *c;
  return compareVariants(toVariant(), other.toVariant());  // raises
}

// --- DBGridNode ----------------------------------------------------------------

DBGridNode::DBGridNode(TreeNodeOwner* owner) : DBTreeListControlNode(owner) {}

DBGridNode::~DBGridNode() { clearNodeVariantData(); }

void DBGridNode::clearNodeVariantData() {
  if (!cells_) return;
  std::destroy_n(cells_, cellCount_);
  releaseSmallBlock(cells_, cellCount_ * sizeof(PackedValue));
  cells_ = nullptr;
  cellCount_ = 0;
}

const PackedValue& DBGridNode::groupValue() const {
  static const PackedValue kNull(Variant::null());
  return extra_ ? extra_->groupValue : kNull;
}

void DBGridNode::setGroupValue(const Variant& value) {
  if (!extra_ && value.isNull()) return;
  extras().groupValue.assign(value);
}

const PackedValue* DBGridNode::findEntry(int column, std::uint8_t slot) const {
  for (int i = 0; i < cellCount_; ++i) {
    const PackedValue& e = cells_[static_cast<std::size_t>(i)];
    if (e.aux16() == column && e.aux8() == slot) return &e;
    if (e.aux16() > column) break;
  }
  return nullptr;
}

void DBGridNode::assignCells(std::span<const PackedValue> cells) {
  if (cells.empty()) {
    clearNodeVariantData();
    return;
  }
  const std::size_t bytes = cells.size() * sizeof(PackedValue);
  void* memory = allocateSmallBlock(bytes);
  auto* block = static_cast<PackedValue*>(memory);
  OnFailure release([&] { releaseSmallBlock(memory, bytes); });
  std::uninitialized_copy(cells.begin(), cells.end(), block);
  release.dismiss();
  clearNodeVariantData();
  cells_ = block;
  cellCount_ = static_cast<std::uint16_t>(cells.size());
}

NodeVariantData DBGridNode::nodeVariantData(int column) const {
  NodeVariantData data;
  data.cellValue = Variant::null();
  data.lookupKeyValue = Variant::null();
  if (const PackedValue* e = findEntry(column, 0)) {
    data.presenceBits |= NodeVariantData::kCellValue;
    data.cellValue = e->toVariant();
  }
  if (const PackedValue* e = findEntry(column, 1)) {
    data.presenceBits |= NodeVariantData::kLookupKeyValue;
    data.lookupKeyValue = e->toVariant();
  }
  return data;
}

void DBGridNode::setNodeVariantData(int column, const NodeVariantData& data) {
  if (column < 0 || column > 0xFFFF) return;
  const auto key = static_cast<std::uint16_t>(column);
  std::vector<PackedValue> cells;
  cells.reserve(cellCount_ + 2u);
  bool placed = false;
  const auto place = [&] {
    if (placed) return;
    placed = true;
    if (data.presenceBits & NodeVariantData::kCellValue) {
      cells.emplace_back(data.cellValue);
      cells.back().setAux(key, 0);
    }
    if (data.presenceBits & NodeVariantData::kLookupKeyValue) {
      cells.emplace_back(data.lookupKeyValue);
      cells.back().setAux(key, 1);
    }
  };
  for (int i = 0; i < cellCount_; ++i) {
    const PackedValue& e = cells_[static_cast<std::size_t>(i)];
    if (e.aux16() == key) continue;
    if (e.aux16() > key) place();
    cells.push_back(e);
  }
  place();
  assignCells(cells);
}

bool DBGridNode::hasCellValue(int column) const { return findEntry(column, 0) != nullptr; }

Variant DBGridNode::cellValue(int column) const {
  const PackedValue* e = findEntry(column, 0);
  return e ? e->toVariant() : Variant();
}

bool DBGridNode::fetchCellValue(int column, Variant& out) const {
  const PackedValue* e = findEntry(column, 0);
  if (!e) return false;
  out = e->toVariant();
  return true;
}

void DBGridNode::copyNodeVariantData(int column, const DBGridNode& from) {
  setNodeVariantData(column, from.nodeVariantData(column));
}

void DBGridNode::moveCellColumn(int from, int to) {
  if (from == to || cellCount_ == 0) return;
  const int low = std::min(from, to);
  const int high = std::max(from, to);
  const int shift = from < to ? -1 : 1;
  bool touched = false;
  for (int i = 0; i < cellCount_; ++i) {
    PackedValue& e = cells_[static_cast<std::size_t>(i)];
    const int column = e.aux16();
    if (column < low || column > high) continue;
    e.setAux(static_cast<std::uint16_t>(column == from ? to : column + shift), e.aux8());
    touched = true;
  }
  // Lookups stop at the first larger column, so the order must hold again.
  if (touched) {
    std::sort(cells_, cells_ + cellCount_, [](const PackedValue& a, const PackedValue& b) {
      return a.aux16() != b.aux16() ? a.aux16() < b.aux16() : a.aux8() < b.aux8();
    });
  }
}

}  // namespace morvel
