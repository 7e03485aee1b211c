// Where a field's value lies in the records DataSet::forEachRecord hands
// out, found once for a walk over many records (Field::placeInRecords), so
// that reading each value there takes no call into the dataset: a dataset
// over the engine's record images knows a fixed place for every stored
// field; any other field is asked through Field::nativeIn each time.
#pragma once

#include <cstdint>

#include "table/Field.h"
#include "table/engine/RecordLayout.h"

namespace morvel {

class FieldPlace {
 public:
  // Read through field.nativeIn.
  explicit FieldPlace(const Field& field) : field_(&field) {}
  // Read at a place of the record image.
  FieldPlace(const Field& field, FieldBytesPlace bytes)
      : field_(&field), bytes_(bytes), fixed_(true) {}

  // What field.nativeIn(record) gives: the native bytes, null when blank.
  const std::uint8_t* in(const std::uint8_t* record) const {
    return fixed_ ? fieldBytes(record, bytes_) : field_->nativeIn(record);
  }

 private:
  const Field* field_;
  FieldBytesPlace bytes_;
  bool fixed_ = false;
};

}  // namespace morvel
