// Key building; see KeyLayout.h.
#include "table/engine/KeyLayout.h"

#include <cstring>

#include "table/engine/Bytes.h"
#include "table/engine/RecordLayout.h"

namespace morvel {
namespace {

void putBig64(std::uint8_t* p, std::uint64_t v) {
  for (int i = 7; i >= 0; --i) {
    p[i] = static_cast<std::uint8_t>(v);
    v >>= 8;
  }
}

std::uint64_t getLittle64(const std::uint8_t* p) {
  std::uint64_t v = 0;
  for (int i = 7; i >= 0; --i) v = (v << 8) | p[i];
  return v;
}

constexpr std::uint64_t kTop64 = std::uint64_t{1} << 63;

// Writes the sortable form of one value (dataLength bytes at `v`).
void encodeValue(std::uint8_t type, const std::uint8_t* v, int dataLength, bool upperCase,
                 std::uint8_t* out) {
  switch (type) {
    case kTypeInt32:
    case kTypeInt32Alt:
    case kTypeDate:
    case kTypeTime:
      bytes::putBig32(out, bytes::get32(v) ^ 0x80000000u);
      return;
    case kTypeInt16: {
      const std::uint16_t x = bytes::get16(v) ^ 0x8000u;
      out[0] = static_cast<std::uint8_t>(x >> 8);
      out[1] = static_cast<std::uint8_t>(x);
      return;
    }
    case kTypeBoolean:
    case kTypeWord: {
      const std::uint16_t x = bytes::get16(v);
      out[0] = static_cast<std::uint8_t>(x >> 8);
      out[1] = static_cast<std::uint8_t>(x);
      return;
    }
    case kTypeInt64:
    case kTypeInt64Alt:
    case kTypeBcd:
      putBig64(out, getLittle64(v) ^ kTop64);
      return;
    case kTypeFloat:
    case kTypeDateTime: {
      const std::uint64_t bits = getLittle64(v);
      putBig64(out, (bits & kTop64) ? ~bits : bits | kTop64);
      return;
    }
    case kTypeString:
      for (int i = 0; i < dataLength; ++i) {
        const std::uint8_t c = v[i];
        out[i] = upperCase && c >= 'a' && c <= 'z' ? static_cast<std::uint8_t>(c - 'a' + 'A') : c;
      }
      return;
    default:
      std::memcpy(out, v, static_cast<std::size_t>(dataLength));
      return;
  }
}

}  // namespace

KeyLayout::KeyLayout(const IndexDescriptor& index, const std::vector<FieldDescriptor>& fields,
                     bool primary)
    : appendRecordNumber_(!primary), caseInsensitive_(index.caseInsensitive()) {
  for (int k = 0; k < index.fieldCount(); ++k) {
    const FieldDescriptor& f = fields[static_cast<std::size_t>(index.fieldNumber(k) - 1)];
    parts_.push_back(
        {f.offset(), f.dataLength(), f.type(), f.isAutoIncrement(), index.fieldDescending(k)});
    valueLength_ += f.dataLength() + 1;
  }
  keyLength_ = valueLength_ + (appendRecordNumber_ ? 4 : 0);
}

KeyLayout KeyLayout::slotIndex() {
  KeyLayout layout;
  layout.slotIndex_ = true;
  layout.keyLength_ = kSlotKeyLength;
  layout.valueLength_ = kSlotKeyLength;
  return layout;
}

void KeyLayout::buildSlotKey(bool deleted, std::int32_t autoInc, std::int32_t recordNumber,
                             std::uint8_t* key) {
  key[0] = deleted ? 1 : 0;
  bytes::putBig32(key + 1, static_cast<std::uint32_t>(autoInc) ^ 0x80000000u);
  bytes::putBig32(key + 5, static_cast<std::uint32_t>(recordNumber));
}

void KeyLayout::build(const std::uint8_t* record, std::int32_t recordNumber,
                      std::uint8_t* key) const {
  if (slotIndex_) {
    buildSlotKey(record[kDeletedFlagOffset] != 0, bytes::getInt32(record + kAutoIncOffset),
                 recordNumber, key);
    return;
  }
  std::uint8_t* out = key;
  for (const Part& p : parts_) {
    const std::uint8_t* value = p.autoInc ? record + kAutoIncOffset : record + p.offset + 1;
    const bool present = p.autoInc || record[p.offset] != 0;
    out[0] = present ? 1 : 0;
    if (present) {
      encodeValue(p.type, value, p.dataLength, caseInsensitive_, out + 1);
    } else {
      std::memset(out + 1, 0, static_cast<std::size_t>(p.dataLength));
    }
    if (p.descending) {
      for (int i = 0; i <= p.dataLength; ++i) out[i] = static_cast<std::uint8_t>(~out[i]);
    }
    out += p.dataLength + 1;
  }
  if (appendRecordNumber_) bytes::putBig32(out, static_cast<std::uint32_t>(recordNumber));
}

}  // namespace morvel
