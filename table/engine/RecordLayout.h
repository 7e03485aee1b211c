// How one record is laid out as bytes, and the rules for reading and writing
// a field inside a record image. The dataset's record buffers begin with
// exactly this image and the data file stores it unchanged.
//
// Record image (little-endian):
//
//   OFFSET  SIZE  MEANING
//        0     1  deleted flag: 0 in use, 1 deleted
//        1     4  in use: the record's own slot number; deleted: the next
//                 deleted slot of the free chain (0 = end)
//        5     4  auto-increment value (32-bit signed)
//        9     …  for each field that is neither the auto-increment field
//                 nor hidden, in field-number order: a presence byte
//                 (0 blank, 1 value) followed by the field's data length
//
// The auto-increment field has no bytes of its own: its offset is 5, the
// header's slot, and it is never blank.
#pragma once

#include <cstdint>
#include <span>
#include <string_view>
#include <vector>

#include "table/engine/FieldDescriptor.h"

namespace morvel {

inline constexpr int kRecordHeaderSize = 9;
inline constexpr int kDeletedFlagOffset = 0;
inline constexpr int kRecordNumberOffset = 1;
inline constexpr int kAutoIncOffset = 5;

inline constexpr int kMaxFields = 1024;
inline constexpr int kMaxBlobFields = 64;
inline constexpr int kMinBlobBlockSize = 64;
inline constexpr int kMaxRecordSize = 65535;
inline constexpr int kMaxStringSize = 250;

struct TableLayout {
  int recordSize = kRecordHeaderSize;
  int blobFieldCount = 0;
  int autoIncField = 0;  // its field number, 0 when the table has none
};

// Validates the fields and computes every data length and offset, with the
// limits a new table must keep. On success the descriptors are sorted by
// field number, names are trimmed, and sizes and scales are cleared where
// the type has none. Errors: 9492 (field count), 10038 (name), 10000
// (number, type or size), 10006 (value texts), 9498 (blob fields or block
// size), 9477 (record size).
TableLayout layoutTable(std::vector<FieldDescriptor>& fields, int blobBlockSize,
                        std::string_view table);

// Reads a field of a record image into `value` (the field's data length in
// bytes; zero-filled first). Returns false when the field is blank. The
// auto-increment field is never blank.
bool readField(const std::uint8_t* record, const FieldDescriptor& field, std::uint8_t* value);
// Where readField's bytes lie in every record image, found once for reading
// a field from many records: at `offset`, behind a presence byte when
// `flagged` (the bytes follow it, and the field is blank when it is 0);
// nowhere (always blank) for a hidden field.
struct FieldBytesPlace {
  enum class Kind : std::uint8_t { always, flagged, nowhere };
  Kind kind = Kind::nowhere;
  int offset = 0;
};
FieldBytesPlace fieldBytesPlace(const FieldDescriptor& field);
// Where readField's bytes lie in the record image, or null when the field is
// blank: for reading without a copy.
inline const std::uint8_t* fieldBytes(const std::uint8_t* record, FieldBytesPlace place) {
  switch (place.kind) {
    case FieldBytesPlace::Kind::always:
      return record + place.offset;
    case FieldBytesPlace::Kind::flagged:
      return record[place.offset] == 0 ? nullptr : record + place.offset + 1;
    case FieldBytesPlace::Kind::nowhere:
      break;
  }
  return nullptr;
}
inline const std::uint8_t* fieldBytes(const std::uint8_t* record, const FieldDescriptor& field) {
  return fieldBytes(record, fieldBytesPlace(field));
}

// Writes a field into a record image; `value` null makes it blank (which
// leaves the auto-increment slot unchanged). Strings are cut to the field's
// size without splitting a UTF-8 character, lose trailing blanks, take the
// field's case conversion, and an empty result is stored as blank. A hidden
// field ignores writes from the dataset.
void writeField(std::uint8_t* record, const FieldDescriptor& field, const std::uint8_t* value,
                bool fromDataset = true);

// Whether a stored value lies outside the field's minimum or maximum:
// negative below, positive above, 0 inside (or when the field has none).
int compareWithLimits(const std::uint8_t* record, const FieldDescriptor& field);

}  // namespace morvel
