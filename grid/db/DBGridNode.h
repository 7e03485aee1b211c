// The rows of the data-bound grid: DBGridNode keeps what the grid needs of
// one record (its key, its cell values) or, for a group row, of its group
// (the group value and summaries). A grid may hold a million of them, so
// values are kept packed: PackedValue is a variant in 16 bytes, and a node
// keeps cell values only for the columns that need them.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "base/Variant.h"
#include "grid/tree/TreeListNode.h"

namespace morvel {

// A Variant held in 16 bytes: the kind and an 8-byte payload; a text lives
// on the heap. Converts to and from Variant without loss.
class PackedValue {
 public:
  PackedValue() noexcept : kind_(vkEmpty), integer_(0) {}
  explicit PackedValue(const Variant& value) : PackedValue() { assign(value); }
  PackedValue(const PackedValue& other) : PackedValue() { copyFrom(other); }
  PackedValue& operator=(const PackedValue& other) {
    if (this != &other) copyFrom(other);
    return *this;
  }
  ~PackedValue() { release(); }

  VariantKind kind() const { return kind_; }
  bool isEmpty() const { return kind_ == vkEmpty; }
  bool isBlank() const { return kind_ <= vkNull; }
  // An integer value (the usual key) without building a Variant.
  bool isInteger() const { return kind_ == vkInteger; }
  std::int64_t integer() const { return integer_; }

  void assign(const Variant& value);
  Variant toVariant() const;
  // Two small numbers a container may keep in the value's spare bytes (the
  // node keeps a cell's column and slot there); copied with the value.
  std::uint16_t aux16() const { return aux16_; }
  std::uint8_t aux8() const { return aux8_; }
  void setAux(std::uint16_t a16, std::uint8_t a8) {
    aux16_ = a16;
    aux8_ = a8;
  }
  // The value seen in place; valid while the value lives unchanged.
  VariantView view() const noexcept {
    VariantView v;
    v.kind = kind_;
    if (kind_ == vkInteger || kind_ == vkCurrency) v.integer = integer_;
    if (kind_ == vkFloat || kind_ == vkDate) v.number = float_;
    if (kind_ == vkBoolean) v.boolean = boolean_;
    if (kind_ == vkString) v.text = *text_;
    return v;
  }
  // tryCompareVariants(toVariant(), other), without copying a text: none
  // when the two do not compare. `tryCompare(x) == 0` is false then, so it
  // reads as "equal and comparable".
  std::optional<int> tryCompare(const Variant& other) const noexcept;
  std::optional<int> tryCompare(const PackedValue& other) const noexcept;
  // compareVariants(toVariant(), other): raises VariantError when the two
  // do not compare.
  int compare(const Variant& other) const;
  int compare(const PackedValue& other) const;
  // A text value holding exactly these bytes.
  bool equalsText(std::string_view text) const { return kind_ == vkString && *text_ == text; }

 private:
  void release() noexcept;
  void copyFrom(const PackedValue& other);

  VariantKind kind_;
  std::uint8_t aux8_ = 0;
  std::uint16_t aux16_ = 0;
  union {
    std::int64_t integer_;  // vkInteger, vkCurrency
    double float_;          // vkFloat, vkDate
    bool boolean_;
    std::string* text_;  // vkString, owned
  };
};
static_assert(sizeof(PackedValue) == 16);

// What a node keeps of one cell besides its text.
struct NodeVariantData {
  static constexpr std::uint8_t kCellValue = 1;       // CellValue is present
  static constexpr std::uint8_t kLookupKeyValue = 2;  // LookupKeyValue is present
  std::uint8_t presenceBits = 0;
  Variant cellValue;
  Variant lookupKeyValue;
};

// The node between the text node and the grid's node class; it adds nothing
// of its own.
class DBTreeListControlNode : public TreeListTextNode {
 public:
  using TreeListTextNode::TreeListTextNode;
};

class DBGridNode : public DBTreeListControlNode {
 public:
  explicit DBGridNode(TreeNodeOwner* owner);
  ~DBGridNode() override;

  // The key field's value of the node's record; a group row takes its
  // first child's. Empty until first stored, null without a key field.
  const PackedValue& keyValue() const { return keyValue_; }
  void setKeyValue(const Variant& value) { keyValue_.assign(value); }
  void setKeyValue(const PackedValue& value) { keyValue_ = value; }
  // A group row's value of its group column; null for data rows (kept
  // apart, as only group rows have one).
  const PackedValue& groupValue() const;
  void setGroupValue(const Variant& value);
  // 0-based position of the record in dataset order during the load that
  // made the node.
  std::int32_t recordIndex() const { return recordIndex_; }
  void setRecordIndex(std::int32_t index) { recordIndex_ = index; }

  long double summaryValue() const { return extra_ ? extra_->summaryValue : 0; }
  void setSummaryValue(long double value) { extras().summaryValue = value; }
  bool summariesDone() const { return summariesDone_; }
  void setSummariesDone(bool done) { summariesDone_ = done; }
  // One accumulator per item of the group's summary group; empty when none.
  std::vector<long double>& groupSummaryValues() { return extras().groupSummaryValues; }
  bool hasGroupSummaryValues() const { return extra_ && !extra_->groupSummaryValues.empty(); }
  void clearGroupSummaryValues() {
    if (extra_) extra_->groupSummaryValues.clear();
  }
  std::string previewText() const { return extra_ ? extra_->previewText : std::string(); }
  void setPreviewText(std::string text) { extras().previewText = std::move(text); }

  // The cell data of a column (nothing present beyond the stored ones).
  NodeVariantData nodeVariantData(int column) const;
  void setNodeVariantData(int column, const NodeVariantData& data);
  // The cell's value, or empty when none is stored (bit 0 clear).
  bool hasCellValue(int column) const;
  // The stored cell value itself; null when none is stored.
  const PackedValue* cellEntry(int column) const { return findEntry(column, 0); }
  Variant cellValue(int column) const;
  // The stored value into `out`; false (out untouched) when none is stored.
  bool fetchCellValue(int column, Variant& out) const;
  // The cell values' block, for prefetching only.
  const void* cellStorage() const { return cells_; }
  void clearNodeVariantData();
  // Sets every cell value at once, in ascending column order: the values
  // with their column in aux16 and the slot (0 cell value, 1 lookup key) in
  // aux8. One allocation for the row.
  void assignCells(std::span<const PackedValue> cells);
  // Copies one column's cell data from another node.
  void copyNodeVariantData(int column, const DBGridNode& from);
  // The column at list position `from` moved to `to`: the cell data follows
  // it, and the columns between shift by one, as the column list did.
  void moveCellColumn(int from, int to);

 private:
  struct Extra {
    PackedValue groupValue;
    long double summaryValue = 0;
    std::vector<long double> groupSummaryValues;
    std::string previewText;
  };
  Extra& extras() {
    if (!extra_) extra_ = std::make_unique<Extra>();
    return *extra_;
  }
  const PackedValue* findEntry(int column, std::uint8_t slot) const;

  PackedValue keyValue_;
  std::int32_t recordIndex_ = 0;
  bool summariesDone_ = false;
  std::uint16_t cellCount_ = 0;
  std::unique_ptr<Extra> extra_;
  // Cell values sorted by column (aux16) then slot (aux8).
  // cellCount_ values in one small block (see base/SmallBlocks.h); owned.
  PackedValue* cells_ = nullptr;
};

}  // namespace morvel
