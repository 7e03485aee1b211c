// Building an index key from a record image. Every key is a byte string
// whose plain byte order is the index order, so pages compare keys with
// memcmp:
//
//   for each key field: a presence byte (0 blank, 1 value), then the value
//     32-bit integers, dates, times   4 bytes big-endian, top bit inverted
//     16-bit integers                 2 bytes big-endian, top bit inverted
//     booleans, 16-bit unsigned       2 bytes big-endian
//     64-bit integers, BCD            8 bytes big-endian, top bit inverted
//     floats, date-times              8 bytes big-endian; values >= 0 get the
//                                     top bit set, negative ones are inverted
//     strings                         the characters (upper-cased for a
//                                     case-insensitive index), NUL-padded
//     anything else                   the raw bytes
//   a descending field's part (presence byte included) is inverted;
//   a secondary key ends with the record number, 4 bytes big-endian.
#pragma once

#include <cstdint>
#include <vector>

#include "table/engine/FieldDescriptor.h"
#include "table/engine/IndexDescriptor.h"

namespace morvel {

class KeyLayout {
 public:
  KeyLayout() = default;
  // `fields` are the table's validated fields, by number.
  KeyLayout(const IndexDescriptor& index, const std::vector<FieldDescriptor>& fields, bool primary);

  // The layout of the internal slot index: the slot's deleted byte, its
  // auto-increment value (4 bytes, as a 32-bit integer above), then the
  // slot number.
  static KeyLayout slotIndex();

  int keyLength() const { return keyLength_; }
  // Bytes that identify the record's values, without the record number
  // (what a unique index must not have twice).
  int valueLength() const { return valueLength_; }
  bool hasFields() const { return !parts_.empty() || slotIndex_; }

  // Writes the key of `record` (stored in slot `recordNumber`) to `key`,
  // which holds keyLength() bytes.
  void build(const std::uint8_t* record, std::int32_t recordNumber, std::uint8_t* key) const;

  // Slot-index keys, for a record in use and for a deleted one.
  static void buildSlotKey(bool deleted, std::int32_t autoInc, std::int32_t recordNumber,
                           std::uint8_t* key);

 private:
  struct Part {
    int offset;
    int dataLength;
    std::uint8_t type;
    bool autoInc;
    bool descending;
  };

  std::vector<Part> parts_;
  int keyLength_ = 0;
  int valueLength_ = 0;
  bool appendRecordNumber_ = false;
  bool caseInsensitive_ = false;
  bool slotIndex_ = false;
};

inline constexpr int kSlotKeyLength = 9;

}  // namespace morvel
