// The definition collections a table is built from and restored into: field
// definitions (name, type, size, attributes) and index definitions (name,
// key fields, options). Both are filled before a table is created and
// rebuilt from the stored table when it opens.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "table/FieldType.h"

namespace morvel {

class DataSet;

// Attribute bits of a field definition.
enum FieldAttribute : unsigned {
  faHiddenCol = 1u << 0,
  faReadonly = 1u << 1,
  faRequired = 1u << 2,
};

class FieldDef {
 public:
  FieldDef(std::string name, FieldType type, int size, unsigned attributes, int fieldNo)
      : name_(std::move(name)),
        dataType_(type),
        size_(size),
        attributes_(attributes),
        fieldNo_(fieldNo) {}

  const std::string& name() const { return name_; }
  FieldType dataType() const { return dataType_; }
  int size() const { return size_; }
  unsigned attributes() const { return attributes_; }
  void setAttributes(unsigned attributes) { attributes_ = attributes; }
  bool required() const { return (attributes_ & faRequired) != 0; }
  int precision() const { return precision_; }
  void setPrecision(int precision) { precision_ = precision; }
  // The field's number in the engine: its 1-based position when defined,
  // the stored field's number when restored from a table (fields the
  // dataset has no type for are left out, so numbers may skip).
  int fieldNo() const { return fieldNo_; }

  friend bool operator==(const FieldDef&, const FieldDef&) = default;

 private:
  std::string name_;
  FieldType dataType_;
  int size_;
  unsigned attributes_;
  int fieldNo_;
  int precision_ = 0;
};

class FieldDefs {
 public:
  // Errors are raised in the owner's name (its messages carry its prefix).
  explicit FieldDefs(const DataSet* owner = nullptr) : owner_(owner) {}

  void clear() { defs_.clear(); }
  // Appends a definition. Raises "Field name missing" for an empty name,
  // "Invalid field size" for a string size outside 0 to 8192 and
  // "Duplicate field name '%s'" for a name already defined (ignoring case).
  FieldDef& defineField(std::string_view name, FieldType type, int size = 0, bool required = false);
  // Appends without the checks: used when the definitions are restored from
  // a stored table, whose names are already made unique. The field number
  // is the stored field's (0: the next position).
  FieldDef& append(std::string name, FieldType type, int size, unsigned attributes,
                   int fieldNo = 0);

  int count() const { return static_cast<int>(defs_.size()); }
  bool empty() const { return defs_.empty(); }
  // By 0-based position; none outside the list.
  const FieldDef* item(int index) const;
  FieldDef* item(int index);
  // By name, ignoring case; none when missing.
  const FieldDef* find(std::string_view name) const;
  // 0-based position of the named definition, -1 when missing.
  int indexOf(std::string_view name) const;

  auto begin() const { return defs_.begin(); }
  auto end() const { return defs_.end(); }

  friend bool operator==(const FieldDefs& a, const FieldDefs& b) { return a.defs_ == b.defs_; }

 private:
  std::vector<FieldDef> defs_;
  const DataSet* owner_;
};

// Option bits of an index definition.
enum IndexOption : unsigned {
  ixPrimary = 1u << 0,
  ixUnique = 1u << 1,
  ixDescending = 1u << 2,
  ixCaseInsensitive = 1u << 3,
  ixExpression = 1u << 4,
  ixNonMaintained = 1u << 5,
};
using IndexOptions = unsigned;

class IndexDef {
 public:
  IndexDef(std::string name, std::string fields, IndexOptions options)
      : name_(std::move(name)), fields_(std::move(fields)), options_(options) {}

  const std::string& name() const { return name_; }
  // Key field names separated by ";".
  const std::string& fields() const { return fields_; }
  IndexOptions options() const { return options_; }

  friend bool operator==(const IndexDef&, const IndexDef&) = default;

 private:
  std::string name_;
  std::string fields_;
  IndexOptions options_;
};

class IndexDefs {
 public:
  explicit IndexDefs(const DataSet* owner = nullptr) : owner_(owner) {}

  void clear() { defs_.clear(); }
  // Appends a definition; "Duplicate index name '%s'" when the name (ignoring
  // case) is already defined. The primary index of a table usually has the
  // empty name.
  IndexDef& defineIndex(std::string_view name, std::string_view fields, IndexOptions options);
  // Puts the definitions in a new order: the definition at position first
  // comes first, the others keep their order after it.
  void moveToFront(int first);

  int count() const { return static_cast<int>(defs_.size()); }
  bool empty() const { return defs_.empty(); }
  const IndexDef* item(int index) const;
  const IndexDef* find(std::string_view name) const;

  auto begin() const { return defs_.begin(); }
  auto end() const { return defs_.end(); }

  friend bool operator==(const IndexDefs& a, const IndexDefs& b) { return a.defs_ == b.defs_; }

 private:
  std::vector<IndexDef> defs_;
  const DataSet* owner_;
};

// The names of a ";"-separated field list, blanks around each name removed
// and empty names skipped.
std::vector<std::string_view> splitFieldNames(std::string_view names);

}  // namespace morvel
