// The engine's description of one field (768 bytes, stored unchanged after
// the data file's header) and the engine's type codes with their mapping to
// and from the dataset's field types.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "table/FieldType.h"

namespace morvel {

// Engine field type codes.
enum EngineFieldType : std::uint8_t {
  kTypeString = 1,
  kTypeDate = 2,
  kTypeBlob = 3,
  kTypeBoolean = 4,
  kTypeInt16 = 5,
  kTypeInt32 = 6,
  kTypeFloat = 7,
  kTypeBcd = 8,
  kTypeBytes = 9,
  kTypeTime = 10,
  kTypeDateTime = 11,
  kTypeWord = 12,
  kTypeInt32Alt = 13,
  kTypeReserved = 14,
  kTypeVarBytes = 15,
  kTypeCursor = 17,
  kTypeInt64 = 18,
  kTypeInt64Alt = 19,
  kTypeAdt = 20,
  kTypeArray = 21,
  kTypeReference = 22,
  kTypeTable = 23,
};

// Engine subtype codes.
enum EngineSubtype : std::uint8_t {
  kSubtypeNone = 0,
  kSubtypeMoney = 21,
  kSubtypeMemo = 22,
  kSubtypeFormattedMemo = 24,
  kSubtypeGraphic = 26,
  kSubtypeTypedBinary = 28,
  kSubtypeAutoInc = 29,
  kSubtypeFixedChar = 31,
  kSubtypeWideChar = 32,
};

struct EngineTypeCode {
  std::uint8_t type;
  std::uint8_t subtype;
};

// The engine type for a dataset field type (0/0 for types the engine cannot
// store), and back (none for codes that have no dataset type).
EngineTypeCode engineTypeOf(FieldType type);
std::optional<FieldType> fieldTypeOf(std::uint8_t type, std::uint8_t subtype);

// Field and index names start with a letter, "_" or a byte from 129 to 254.
inline bool isValidNameStart(unsigned char c) {
  return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == '_' || (c >= 129 && c <= 254);
}

// Bytes a value of the type takes in a record (after its presence byte);
// -1 for an unknown type code. `size` counts characters or bytes for the
// sized types.
int dataLengthOf(std::uint8_t type, int size);

// Field descriptor, little-endian; every byte not listed is zero:
//
//   OFFSET  SIZE  MEANING
//        0     2  field number (1-based, unique)
//        2    31  name: length byte + up to 30 characters
//       84     1  engine type code
//       85     1  subtype code
//       86     1  size (string, bytes, var-bytes; 0 for other types)
//       87     1  scale (BCD only)
//       88     1  data length (computed)
//       89     1  copy of the scale
//       90     2  offset of the value in the record image (computed)
//       92     1  required flag
//       93     1  case conversion on write: 0 none, 1 lower, 2 upper
//       94    51  minimum value text (length byte + text), empty = none
//      145    51  maximum value text
//      196    51  default value text
//      247     1  hidden: no space in the record, writes from the dataset ignored
class FieldDescriptor {
 public:
  static constexpr std::size_t kSize = 768;
  static constexpr std::size_t kNumber = 0;
  static constexpr std::size_t kName = 2;
  static constexpr std::size_t kMaxName = 30;
  static constexpr std::size_t kType = 84;
  static constexpr std::size_t kSubtype = 85;
  static constexpr std::size_t kFieldSize = 86;
  static constexpr std::size_t kScale = 87;
  static constexpr std::size_t kDataLength = 88;
  static constexpr std::size_t kScaleCopy = 89;
  static constexpr std::size_t kOffset = 90;
  static constexpr std::size_t kRequired = 92;
  static constexpr std::size_t kCaseConversion = 93;
  static constexpr std::size_t kMinimum = 94;
  static constexpr std::size_t kMaximum = 145;
  static constexpr std::size_t kDefault = 196;
  static constexpr std::size_t kMaxValueText = 50;
  static constexpr std::size_t kHidden = 247;

  enum CaseConversion : std::uint8_t { kNoConversion = 0, kLowerCase = 1, kUpperCase = 2 };

  FieldDescriptor() = default;
  // A descriptor as the table component fills one.
  FieldDescriptor(int number, std::string_view name, std::uint8_t type, std::uint8_t subtype,
                  int size = 0, bool required = false);

  int number() const;
  void setNumber(int number);
  // Stored without surrounding blanks; at most 30 characters are kept.
  std::string name() const;
  void setName(std::string_view name);
  std::uint8_t type() const { return bytes_[kType]; }
  void setType(std::uint8_t type) { bytes_[kType] = type; }
  std::uint8_t subtype() const { return bytes_[kSubtype]; }
  void setSubtype(std::uint8_t subtype) { bytes_[kSubtype] = subtype; }
  int size() const { return bytes_[kFieldSize]; }
  void setSize(int size) { bytes_[kFieldSize] = static_cast<std::uint8_t>(size); }
  int scale() const { return bytes_[kScale]; }
  void setScale(int scale) { bytes_[kScale] = static_cast<std::uint8_t>(scale); }
  int dataLength() const { return bytes_[kDataLength]; }
  int offset() const { return bytes_[kOffset] | (bytes_[kOffset + 1] << 8); }
  bool required() const { return bytes_[kRequired] != 0; }
  void setRequired(bool required) { bytes_[kRequired] = required ? 1 : 0; }
  std::uint8_t caseConversion() const { return bytes_[kCaseConversion]; }
  void setCaseConversion(std::uint8_t conversion) { bytes_[kCaseConversion] = conversion; }
  std::string minimum() const { return valueText(kMinimum); }
  void setMinimum(std::string_view text) { setValueText(kMinimum, text); }
  std::string maximum() const { return valueText(kMaximum); }
  void setMaximum(std::string_view text) { setValueText(kMaximum, text); }
  std::string defaultValue() const { return valueText(kDefault); }
  void setDefaultValue(std::string_view text) { setValueText(kDefault, text); }
  bool hidden() const { return bytes_[kHidden] != 0; }
  void setHidden(bool hidden) { bytes_[kHidden] = hidden ? 1 : 0; }

  bool isAutoIncrement() const { return type() == kTypeInt32 && subtype() == kSubtypeAutoInc; }
  bool isBlob() const { return type() == kTypeBlob; }

  // Layout results, set by the field validation.
  void setLayout(int dataLength, int offset);

  const std::uint8_t* bytes() const { return bytes_.data(); }
  std::uint8_t* bytes() { return bytes_.data(); }

 private:
  std::string valueText(std::size_t at) const;
  void setValueText(std::size_t at, std::string_view text);

  std::array<std::uint8_t, kSize> bytes_{};
};

static_assert(sizeof(FieldDescriptor) == FieldDescriptor::kSize);
static_assert(FieldDescriptor::kName + 1 + FieldDescriptor::kMaxName <= FieldDescriptor::kType);
static_assert(FieldDescriptor::kDefault + 1 + FieldDescriptor::kMaxValueText ==
              FieldDescriptor::kHidden);

}  // namespace morvel
