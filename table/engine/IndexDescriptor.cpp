// Index descriptors and their validation; see IndexDescriptor.h.
#include "table/engine/IndexDescriptor.h"

#include <algorithm>

#include "table/engine/Bytes.h"
#include "table/files/EngineError.h"
#include "table/files/Names.h"

namespace morvel {
IndexDescriptor::IndexDescriptor(std::string_view name, const std::vector<int>& fieldNumbers,
                                 bool unique, bool descending, bool caseInsensitive) {
  setName(name);
  setFields(fieldNumbers);
  setUnique(unique);
  setDescending(descending);
  setCaseInsensitive(caseInsensitive);
}

std::string IndexDescriptor::name() const {
  return bytes::getCountedText(&bytes_[kName], kMaxName);
}

void IndexDescriptor::setName(std::string_view name) {
  bytes::putCountedText(&bytes_[kName], kMaxName, name);
}

int IndexDescriptor::keyLength() const { return bytes::get16(&bytes_[kKeyLength]); }
void IndexDescriptor::setKeyLength(int length) {
  bytes::put16(&bytes_[kKeyLength], static_cast<std::uint16_t>(length));
}

void IndexDescriptor::setDescending(bool v) {
  bytes_[kDescending] = v ? 1 : 0;
  for (int i = 0; i < kMaxKeyFields; ++i) setFieldDescending(i, v);
}

int IndexDescriptor::fieldNumber(int i) const {
  return bytes::get16(&bytes_[kFieldNumbers + 2 * static_cast<std::size_t>(i)]);
}

void IndexDescriptor::setFields(const std::vector<int>& numbers) {
  const std::size_t n = std::min<std::size_t>(numbers.size(), kMaxKeyFields);
  bytes_[kFieldCount] =
      static_cast<std::uint8_t>(numbers.size() > kMaxKeyFields ? kMaxKeyFields + 1 : n);
  std::fill_n(&bytes_[kFieldNumbers], 2 * kMaxKeyFields, 0);
  for (std::size_t i = 0; i < n; ++i) {
    bytes::put16(&bytes_[kFieldNumbers + 2 * i], static_cast<std::uint16_t>(numbers[i]));
  }
}

std::uint32_t IndexDescriptor::root() const { return bytes::get32(&bytes_[kRoot]); }
void IndexDescriptor::setRoot(std::uint32_t offset) { bytes::put32(&bytes_[kRoot], offset); }
std::uint32_t IndexDescriptor::freeHead() const { return bytes::get32(&bytes_[kFreeHead]); }
void IndexDescriptor::setFreeHead(std::uint32_t offset) {
  bytes::put32(&bytes_[kFreeHead], offset);
}

std::string indexDisplayName(const IndexDescriptor& index, bool primary) {
  return primary ? std::string("Primary") : index.name();
}

void validateIndexes(std::vector<IndexDescriptor>& indexes,
                     const std::vector<FieldDescriptor>& fields, std::string_view table) {
  if (indexes.empty()) indexes.emplace_back();
  if (static_cast<int>(indexes.size()) - 1 > kMaxSecondaryIndexes)
    raiseEngineError(kIndexLimits, table);
  for (std::size_t i = 0; i < indexes.size(); ++i) {
    IndexDescriptor& index = indexes[i];
    const bool primary = i == 0;
    if (primary) {
      index.setName("");
      index.setUnique(true);
    } else {
      const std::string name = index.name();
      if (name.empty() || !isValidNameStart(static_cast<unsigned char>(name[0]))) {
        raiseEngineError(kInvalidIndexName, table, name);
      }
      for (std::size_t j = 1; j < i; ++j) {
        if (equalIgnoringCase(indexes[j].name(), name)) raiseEngineError(kIndexExists, table, name);
      }
    }
    const std::string shown = indexDisplayName(index, primary);
    const int count = index.fieldCount();
    if (count > IndexDescriptor::kMaxKeyFields) raiseEngineError(kIndexLimits, table);
    if (index.compression() > 3) raiseEngineError(kInvalidKeySize, table, shown);
    int keyLength = 0;
    for (int k = 0; k < count; ++k) {
      const int number = index.fieldNumber(k);
      if (number < 1 || number > static_cast<int>(fields.size())) {
        raiseEngineError(kInvalidIndexField, table, shown, std::to_string(number));
      }
      const FieldDescriptor& field = fields[static_cast<std::size_t>(number - 1)];
      // A hidden field has no bytes in the record to build a key from.
      if (field.hidden())
        raiseEngineError(kInvalidIndexField, table, shown, std::to_string(number));
      if (field.isBlob()) raiseEngineError(kInvalidFieldType, table, shown);
      keyLength += field.dataLength() + 1;
    }
    if (keyLength > kMaxKeyBytes || (!primary && keyLength == 0))
      raiseEngineError(kInvalidKeySize, table, shown);
    if (index.descending()) {
      bool any = false;
      for (int k = 0; k < count; ++k) any = any || index.fieldDescending(k);
      if (!any) index.setDescending(true);
    }
    // A secondary key ends in the record number, which makes every key of
    // the index distinct.
    index.setKeyLength(primary ? keyLength : keyLength + 4);
    index.setRoot(0);
    index.setFreeHead(0);
  }
}

}  // namespace morvel
