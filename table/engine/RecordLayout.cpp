// Field validation, record layout and field access; see RecordLayout.h.
#include "table/engine/RecordLayout.h"

#include <algorithm>
#include <charconv>
#include <cstring>
#include <optional>
#include <string>

#include "table/engine/Bytes.h"
#include "table/files/EngineError.h"
#include "table/files/Names.h"

namespace morvel {
namespace {

bool isSizedType(std::uint8_t type) {
  return type == kTypeString || type == kTypeBytes || type == kTypeVarBytes;
}

// ---- value texts of minimums, maximums and defaults --------------------
// Numbers are plain decimal, dates "YYYY-MM-DD", times "HH:MM[:SS]" and
// date-times a date, a blank and a time. They become the same numbers the
// record stores, so that a stored value can be compared with them.

std::optional<long long> parseInteger(std::string_view text) {
  long long v = 0;
  const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), v);
  if (ec != std::errc() || end != text.data() + text.size()) return std::nullopt;
  return v;
}

std::optional<double> parseDouble(std::string_view text) {
  if (text.empty()) return std::nullopt;
  const std::string s(text);
  char* end = nullptr;
  const double v = std::strtod(s.c_str(), &end);
  if (end != s.c_str() + s.size()) return std::nullopt;
  return v;
}

// Day number counting 0001-01-01 as day 1.
std::optional<long long> parseDate(std::string_view text) {
  if (text.size() != 10 || text[4] != '-' || text[7] != '-') return std::nullopt;
  const auto y = parseInteger(text.substr(0, 4));
  const auto m = parseInteger(text.substr(5, 2));
  const auto d = parseInteger(text.substr(8, 2));
  if (!y || !m || !d || *y < 1 || *m < 1 || *m > 12 || *d < 1 || *d > 31) return std::nullopt;
  // Days from civil date (proleptic Gregorian), relative to 1970-01-01.
  const long long yy = *y - (*m <= 2 ? 1 : 0);
  const long long era = yy / 400;
  const long long yoe = yy - era * 400;
  const long long mp = (*m + 9) % 12;
  const long long doy = (153 * mp + 2) / 5 + *d - 1;
  const long long doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
  return era * 146097 + doe - 719468 + 719163;
}

// Milliseconds of the day.
std::optional<long long> parseTime(std::string_view text) {
  if (text.size() != 5 && text.size() != 8) return std::nullopt;
  if (text[2] != ':' || (text.size() == 8 && text[5] != ':')) return std::nullopt;
  const auto h = parseInteger(text.substr(0, 2));
  const auto m = parseInteger(text.substr(3, 2));
  const auto s = text.size() == 8 ? parseInteger(text.substr(6, 2)) : std::optional<long long>(0);
  if (!h || !m || !s || *h > 23 || *m > 59 || *s > 59 || *h < 0 || *m < 0 || *s < 0) {
    return std::nullopt;
  }
  return ((*h * 60 + *m) * 60 + *s) * 1000;
}

std::optional<double> limitNumber(const FieldDescriptor& field, std::string_view text) {
  const auto inRange = [&](long long lo, long long hi) -> std::optional<double> {
    const auto v = parseInteger(text);
    if (!v || *v < lo || *v > hi) return std::nullopt;
    return static_cast<double>(*v);
  };
  switch (field.type()) {
    case kTypeInt16:
      return inRange(-32768, 32767);
    case kTypeWord:
      return inRange(0, 65535);
    case kTypeInt32:
    case kTypeInt32Alt:
      return inRange(INT32_MIN, INT32_MAX);
    case kTypeInt64:
    case kTypeInt64Alt:
      return inRange(INT64_MIN, INT64_MAX);
    case kTypeFloat:
    case kTypeBcd:
      return parseDouble(text);
    case kTypeBoolean:
      if (equalIgnoringCase(text, "true") || text == "1") return 1.0;
      if (equalIgnoringCase(text, "false") || text == "0") return 0.0;
      return std::nullopt;
    case kTypeDate: {
      const auto d = parseDate(text);
      return d ? std::optional<double>(static_cast<double>(*d)) : std::nullopt;
    }
    case kTypeTime: {
      const auto t = parseTime(text);
      return t ? std::optional<double>(static_cast<double>(*t)) : std::nullopt;
    }
    case kTypeDateTime: {
      const auto d = parseDate(text.substr(0, std::min<std::size_t>(text.size(), 10)));
      if (!d) return std::nullopt;
      long long ms = 0;
      if (text.size() > 10) {
        if (text[10] != ' ') return std::nullopt;
        const auto t = parseTime(text.substr(11));
        if (!t) return std::nullopt;
        ms = *t;
      }
      return static_cast<double>(*d) * 86400000.0 + static_cast<double>(ms);
    }
    default:
      return std::nullopt;
  }
}

bool validValueText(const FieldDescriptor& field, std::string_view text) {
  if (text.empty()) return true;
  if (field.type() == kTypeString) return static_cast<int>(text.size()) <= field.size();
  return limitNumber(field, text).has_value();
}

// The stored value of a numeric-like field as a number (BCD has no number
// form here, so it is never compared).
std::optional<double> storedNumber(const FieldDescriptor& field, const std::uint8_t* p) {
  switch (field.type()) {
    case kTypeInt16:
      return static_cast<std::int16_t>(bytes::get16(p));
    case kTypeWord:
      return bytes::get16(p);
    case kTypeBoolean:
      return bytes::get16(p) != 0 ? 1.0 : 0.0;
    case kTypeInt32:
    case kTypeInt32Alt:
    case kTypeDate:
    case kTypeTime:
      return bytes::getInt32(p);
    case kTypeInt64:
    case kTypeInt64Alt: {
      std::int64_t v;
      std::memcpy(&v, p, 8);
      return static_cast<double>(v);
    }
    case kTypeFloat:
    case kTypeDateTime: {
      double v;
      std::memcpy(&v, p, 8);
      return v;
    }
    default:
      return std::nullopt;
  }
}

// Where a cut at `length` bytes would split a UTF-8 sequence, the length
// that stops before it.
std::size_t utf8SafeLength(const std::uint8_t* text, std::size_t length) {
  if (length == 0 || (text[length] & 0xC0) != 0x80) return length;
  std::size_t lead = length;
  while (lead > 0 && length - lead < 3 && (text[lead - 1] & 0xC0) == 0x80) --lead;
  if (lead == 0) return length;
  const std::uint8_t c = text[lead - 1];
  const std::size_t need = c >= 0xF0 ? 4 : c >= 0xE0 ? 3 : c >= 0xC0 ? 2 : 1;
  // Only a lead byte whose sequence runs past the cut is a split character.
  return need > 1 && need > length - (lead - 1) ? lead - 1 : length;
}

void writeString(std::uint8_t* data, const FieldDescriptor& field, const std::uint8_t* value) {
  const auto dataLength = static_cast<std::size_t>(field.dataLength());
  const std::size_t maxChars = dataLength > 0 ? dataLength - 1 : 0;
  const void* nul = std::memchr(value, 0, maxChars);
  std::size_t length =
      nul ? static_cast<std::size_t>(static_cast<const std::uint8_t*>(nul) - value) : maxChars;
  if (length == maxChars && length > 0 && value[length] != 0)
    length = utf8SafeLength(value, length);
  while (length > 0 && value[length - 1] == ' ') --length;
  std::uint8_t* text = data + 1;
  std::memcpy(text, value, length);
  std::memset(text + length, 0, dataLength - length);
  if (field.caseConversion() == FieldDescriptor::kUpperCase) {
    for (std::size_t i = 0; i < length; ++i) {
      if (text[i] >= 'a' && text[i] <= 'z') text[i] -= 'a' - 'A';
    }
  } else if (field.caseConversion() == FieldDescriptor::kLowerCase) {
    for (std::size_t i = 0; i < length; ++i) {
      if (text[i] >= 'A' && text[i] <= 'Z') text[i] += 'a' - 'A';
    }
  }
  data[0] = length > 0 ? 1 : 0;
}

}  // namespace

TableLayout layoutTable(std::vector<FieldDescriptor>& fields, int blobBlockSize,
                        std::string_view table) {
  const int count = static_cast<int>(fields.size());
  if (count == 0 || count > kMaxFields) raiseEngineError(kFieldLimits, table);
  if (blobBlockSize < kMinBlobBlockSize) raiseEngineError(kBlobLimits, table);

  TableLayout layout;
  std::vector<bool> numberUsed(static_cast<std::size_t>(count) + 1, false);
  for (int i = 0; i < count; ++i) {
    FieldDescriptor& f = fields[static_cast<std::size_t>(i)];
    // A corrupt length byte longer than the name field is not a name.
    const bool lengthValid = f.bytes()[FieldDescriptor::kName] <= FieldDescriptor::kMaxName;
    const std::string trimmed(trimmedName(f.name()));
    f.setName(trimmed);
    if (!lengthValid || trimmed.empty() ||
        !isValidNameStart(static_cast<unsigned char>(trimmed[0]))) {
      raiseEngineError(kInvalidFieldName, table, trimmed);
    }
    for (int j = 0; j < i; ++j) {
      if (equalIgnoringCase(fields[static_cast<std::size_t>(j)].name(), trimmed)) {
        raiseEngineError(kInvalidFieldName, table, trimmed);
      }
    }
    const int number = f.number();
    if (number < 1 || number > count || numberUsed[static_cast<std::size_t>(number)]) {
      raiseEngineError(kInvalidFieldDefinition, table, trimmed);
    }
    numberUsed[static_cast<std::size_t>(number)] = true;
    if (f.type() == 0 || dataLengthOf(f.type(), 0) < 0) {
      raiseEngineError(kInvalidFieldDefinition, table, trimmed);
    }
    if (isSizedType(f.type())) {
      if (f.size() > kMaxStringSize) raiseEngineError(kInvalidFieldDefinition, table, trimmed);
    } else {
      f.setSize(0);
    }
    if (f.isAutoIncrement()) {
      // Two auto-increment fields would share the header's one slot.
      if (layout.autoIncField != 0) raiseEngineError(kInvalidFieldDefinition, table, trimmed);
      layout.autoIncField = number;
    }
    if (!validValueText(f, f.minimum()) || !validValueText(f, f.maximum()) ||
        !validValueText(f, f.defaultValue())) {
      raiseEngineError(kInvalidValidityCheck, table, trimmed);
    }
    if (f.type() != kTypeBcd) f.setScale(0);
    if (f.isBlob()) ++layout.blobFieldCount;
  }

  std::sort(fields.begin(), fields.end(), [](const FieldDescriptor& a, const FieldDescriptor& b) {
    return a.number() < b.number();
  });
  int offset = kRecordHeaderSize;
  for (FieldDescriptor& f : fields) {
    const int length = dataLengthOf(f.type(), f.size());
    if (f.isAutoIncrement()) {
      f.setLayout(length, kAutoIncOffset);
    } else if (f.hidden()) {
      f.setLayout(length, 0);
    } else {
      f.setLayout(length, offset);
      offset += length + 1;
    }
  }
  layout.recordSize = offset;
  if (layout.blobFieldCount > kMaxBlobFields) raiseEngineError(kBlobLimits, table);
  if (layout.recordSize > kMaxRecordSize) raiseEngineError(kRecordTooLarge, table);
  return layout;
}

FieldBytesPlace fieldBytesPlace(const FieldDescriptor& field) {
  if (field.isAutoIncrement()) return {FieldBytesPlace::Kind::always, kAutoIncOffset};
  if (field.hidden()) return {};
  return {FieldBytesPlace::Kind::flagged, field.offset()};
}

bool readField(const std::uint8_t* record, const FieldDescriptor& field, std::uint8_t* value) {
  const auto length = static_cast<std::size_t>(field.dataLength());
  std::memset(value, 0, length);
  const std::uint8_t* at = fieldBytes(record, field);
  if (!at) return false;
  std::memcpy(value, at, field.isAutoIncrement() ? 4 : length);
  return true;
}

void writeField(std::uint8_t* record, const FieldDescriptor& field, const std::uint8_t* value,
                bool fromDataset) {
  if (field.hidden()) {
    (void)fromDataset;  // a hidden field has no bytes to write either way
    return;
  }
  if (field.isAutoIncrement()) {
    if (value) std::memcpy(record + kAutoIncOffset, value, 4);
    return;
  }
  std::uint8_t* at = record + field.offset();
  const auto length = static_cast<std::size_t>(field.dataLength());
  if (!value) {
    std::memset(at, 0, length + 1);
    return;
  }
  switch (field.type()) {
    case kTypeString:
      writeString(at, field, value);
      return;
    case kTypeBoolean: {
      const std::uint16_t v = bytes::get16(value);
      bytes::put16(at + 1, v == 0 ? 0 : 1);
      at[0] = 1;
      return;
    }
    default:
      // Fixed sizes copy as one move each; a copy of unknown length costs
      // more than the value itself.
      switch (length) {
        case 4:
          std::memcpy(at + 1, value, 4);
          break;
        case 8:
          std::memcpy(at + 1, value, 8);
          break;
        case 2:
          std::memcpy(at + 1, value, 2);
          break;
        default:
          std::memcpy(at + 1, value, length);
          break;
      }
      at[0] = 1;
      return;
  }
}

int compareWithLimits(const std::uint8_t* record, const FieldDescriptor& field) {
  const std::string minimum = field.minimum();
  const std::string maximum = field.maximum();
  if (minimum.empty() && maximum.empty()) return 0;
  std::uint8_t value[256];
  if (!readField(record, field, value)) return 0;
  if (field.type() == kTypeString) {
    const std::string_view text(reinterpret_cast<const char*>(value));
    if (!minimum.empty() && text < std::string_view(minimum)) return -1;
    if (!maximum.empty() && text > std::string_view(maximum)) return 1;
    return 0;
  }
  const auto stored = storedNumber(field, value);
  if (!stored) return 0;
  const auto lo = minimum.empty() ? std::nullopt : limitNumber(field, minimum);
  const auto hi = maximum.empty() ? std::nullopt : limitNumber(field, maximum);
  if (lo && *stored < *lo) return -1;
  if (hi && *stored > *hi) return 1;
  return 0;
}

}  // namespace morvel
