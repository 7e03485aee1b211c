// Field descriptors and the type tables; see FieldDescriptor.h.
#include "table/engine/FieldDescriptor.h"

#include <algorithm>

#include "table/engine/Bytes.h"
#include "table/files/Names.h"

namespace morvel {
namespace {

// Indexed by FieldType, in its declared order.
constexpr EngineTypeCode kEngineTypes[kFieldTypeCount] = {
    {0, 0},                              // ftUnknown
    {kTypeString, 0},                    // ftString
    {kTypeInt16, 0},                     // ftSmallint
    {kTypeInt32, 0},                     // ftInteger
    {kTypeWord, 0},                      // ftWord
    {kTypeBoolean, 0},                   // ftBoolean
    {kTypeFloat, 0},                     // ftFloat
    {kTypeFloat, kSubtypeMoney},         // ftCurrency
    {kTypeBcd, 0},                       // ftBCD
    {kTypeDate, 0},                      // ftDate
    {kTypeTime, 0},                      // ftTime
    {kTypeDateTime, 0},                  // ftDateTime
    {kTypeBytes, 0},                     // ftBytes
    {kTypeVarBytes, 0},                  // ftVarBytes
    {kTypeInt32, kSubtypeAutoInc},       // ftAutoInc
    {kTypeBlob, 0},                      // ftBlob
    {kTypeBlob, kSubtypeMemo},           // ftMemo
    {kTypeBlob, kSubtypeGraphic},        // ftGraphic
    {kTypeBlob, kSubtypeFormattedMemo},  // ftFmtMemo
    {kTypeBlob, 0},                      // ftParadoxOle
    {kTypeBlob, 0},                      // ftDBaseOle
    {kTypeBlob, kSubtypeTypedBinary},    // ftTypedBinary
    {kTypeCursor, 0},                    // ftCursor
    {kTypeString, kSubtypeFixedChar},    // ftFixedChar
    {kTypeString, kSubtypeWideChar},     // ftWideString
    {kTypeInt64, 0},                     // ftLargeint
    {kTypeAdt, 0},                       // ftADT
    {kTypeArray, 0},                     // ftArray
    {kTypeReference, 0},                 // ftReference
    {kTypeTable, 0},                     // ftDataSet
    {kTypeBlob, 0},                      // ftOraBlob
    {kTypeBlob, 0},                      // ftOraClob
    {0, 0},                              // ftVariant
    {0, 0},                              // ftInterface
    {0, 0},                              // ftIDispatch
    {kTypeString, 0},                    // ftGuid
};

}  // namespace

EngineTypeCode engineTypeOf(FieldType type) {
  const int i = static_cast<int>(type);
  return i >= 0 && i < kFieldTypeCount ? kEngineTypes[i] : EngineTypeCode{0, 0};
}

std::optional<FieldType> fieldTypeOf(std::uint8_t type, std::uint8_t subtype) {
  switch (type) {
    case kTypeString:
      return ftString;
    case kTypeDate:
      return ftDate;
    case kTypeBlob:
      switch (subtype) {
        case kSubtypeMemo:
          return ftMemo;
        case kSubtypeFormattedMemo:
          return ftFmtMemo;
        case kSubtypeGraphic:
          return ftGraphic;
        case kSubtypeTypedBinary:
          return ftTypedBinary;
        default:
          return ftBlob;
      }
    case kTypeBoolean:
      return ftBoolean;
    case kTypeInt16:
      return ftSmallint;
    case kTypeInt32:
      return subtype == kSubtypeAutoInc ? ftAutoInc : ftInteger;
    case kTypeFloat:
      return subtype == kSubtypeMoney ? ftCurrency : ftFloat;
    case kTypeBcd:
      return ftBCD;
    case kTypeBytes:
      return ftBytes;
    case kTypeTime:
      return ftTime;
    case kTypeDateTime:
      return ftDateTime;
    case kTypeWord:
      return ftWord;
    case kTypeInt32Alt:
      return ftInteger;
    case kTypeVarBytes:
      return ftVarBytes;
    case kTypeInt64:
    case kTypeInt64Alt:
      return ftLargeint;
    case kTypeAdt:
      return ftADT;
    case kTypeArray:
      return ftArray;
    case kTypeReference:
      return ftReference;
    case kTypeTable:
      return ftDataSet;
    default:
      return std::nullopt;
  }
}

int dataLengthOf(std::uint8_t type, int size) {
  switch (type) {
    case kTypeString:
      return size + 1;
    case kTypeDate:
    case kTypeInt32:
    case kTypeTime:
    case kTypeInt32Alt:
      return 4;
    case kTypeBlob:
    case kTypeFloat:
    case kTypeBcd:
    case kTypeDateTime:
      return 8;
    // A 64-bit integer needs its 8 bytes whatever the size byte says; sizing
    // it from the (cleared) size byte would leave it no room at all.
    case kTypeInt64:
    case kTypeInt64Alt:
      return 8;
    case kTypeBoolean:
    case kTypeInt16:
    case kTypeWord:
      return 2;
    case kTypeReserved:
      return 10;
    case kTypeBytes:
    case kTypeVarBytes:
    case kTypeCursor:
    case kTypeAdt:
    case kTypeArray:
    case kTypeReference:
    case kTypeTable:
      return size;
    default:
      return -1;
  }
}

FieldDescriptor::FieldDescriptor(int number, std::string_view name, std::uint8_t type,
                                 std::uint8_t subtype, int size, bool required) {
  setNumber(number);
  setName(name);
  setType(type);
  setSubtype(subtype);
  setSize(size);
  setRequired(required);
}

int FieldDescriptor::number() const { return bytes::get16(&bytes_[kNumber]); }

void FieldDescriptor::setNumber(int number) {
  bytes::put16(&bytes_[kNumber], static_cast<std::uint16_t>(number));
}

std::string FieldDescriptor::name() const {
  return bytes::getCountedText(&bytes_[kName], kMaxName);
}

void FieldDescriptor::setName(std::string_view name) {
  // Blanks round a name do not count, so they must not take its room either.
  bytes::putCountedText(&bytes_[kName], kMaxName, trimmedName(name));
}

void FieldDescriptor::setLayout(int dataLength, int offset) {
  bytes_[kDataLength] = static_cast<std::uint8_t>(dataLength);
  bytes_[kScaleCopy] = bytes_[kScale];
  bytes::put16(&bytes_[kOffset], static_cast<std::uint16_t>(offset));
}

std::string FieldDescriptor::valueText(std::size_t at) const {
  return bytes::getCountedText(&bytes_[at], kMaxValueText);
}

void FieldDescriptor::setValueText(std::size_t at, std::string_view text) {
  bytes::putCountedText(&bytes_[at], kMaxValueText, text);
}

}  // namespace morvel
