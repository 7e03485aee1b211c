// The field classes and their conversions; see Field.h.
#include "table/Field.h"

#include <charconv>
#include <cmath>
#include <cstring>

#include "base/DateText.h"
#include "base/Format.h"
#include "table/DataSet.h"
#include "table/FieldPlace.h"

namespace morvel {

namespace {

// How many bytes of text fit in size bytes without splitting a UTF-8
// character: a valid multi-byte sequence that would straddle the cut is left
// out whole. Bytes that are not such a sequence (other 8-bit encodings) are
// cut exactly at size.
std::size_t utf8SafeCut(std::string_view text, std::size_t size) {
  if (text.size() <= size) return text.size();
  std::size_t start = size;
  auto continuation = [&](std::size_t i) {
    return (static_cast<unsigned char>(text[i]) & 0xC0) == 0x80;
  };
  while (start > 0 && size - start < 3 && continuation(start)) --start;
  const unsigned char lead = static_cast<unsigned char>(text[start]);
  std::size_t length = 0;
  if (lead >= 0xC2 && lead <= 0xDF) {
    length = 2;
  } else if (lead >= 0xE0 && lead <= 0xEF) {
    length = 3;
  } else if (lead >= 0xF0 && lead <= 0xF4) {
    length = 4;
  }
  if (length == 0 || start + length <= size || start + length > text.size()) return size;
  for (std::size_t i = start + 1; i < start + length; ++i) {
    if (!continuation(i)) return size;
  }
  return start;
}

void storeInt32(std::uint8_t* to, std::int32_t value) { std::memcpy(to, &value, sizeof value); }

std::int32_t loadInt32(const std::uint8_t* from) {
  std::int32_t value;
  std::memcpy(&value, from, sizeof value);
  return value;
}

bool validDateTime(DateTime value) {
  return std::isfinite(value) && value >= kMinDayNumber && value < kMaxDayNumber + 1.0;
}

}  // namespace

std::int32_t dateToDayNumber(DateTime value) {
  return static_cast<std::int32_t>(std::trunc(value)) + kDayNumberOfDateTimeZero;
}

double dateTimeToMilliseconds(DateTime value) {
  double days = std::trunc(value);
  double ms = std::round(std::fabs(value - days) * static_cast<double>(kMsPerDay));
  if (ms >= static_cast<double>(kMsPerDay)) {
    ms = 0;
    days += 1;
  }
  return (days + kDayNumberOfDateTimeZero) * static_cast<double>(kMsPerDay) + ms;
}

DateTime millisecondsToDateTime(double milliseconds) {
  const double dayNumber = std::floor(milliseconds / static_cast<double>(kMsPerDay));
  if (!std::isfinite(dayNumber) || dayNumber < 1 ||
      dayNumber > kMaxDayNumber + kDayNumberOfDateTimeZero) {
    return -static_cast<double>(kDayNumberOfDateTimeZero);
  }
  const double ms = milliseconds - dayNumber * static_cast<double>(kMsPerDay);
  return combineDateTime(static_cast<int>(dayNumber) - kDayNumberOfDateTimeZero,
                         ms / static_cast<double>(kMsPerDay));
}

// --- Field ----------------------------------------------------------------------

Field::Field(FieldType type, std::string_view name, int size)
    : fieldName_(name), dataType_(type), size_(size) {}

Field::~Field() {
  // A notice may withdraw other notices: take the list first.
  std::vector<FreeNotice> notices = std::move(freeNotices_);
  freeNotices_.clear();
  for (FreeNotice& n : notices) n.notice(*this);
}

void Field::setSize(int size) { size_ = size; }

void Field::notifyChange(bool layout) {
  if (dataSet_ && dataSet_->active())
    dataSet_->dataEvent(layout ? dcLayoutChange : dcDataSetChange, 0);
}

void Field::setVisible(bool visible) {
  if (visible == visible_) return;
  visible_ = visible;
  notifyChange(true);
}

int Field::index() const { return dataSet_ ? dataSet_->fieldPosition(*this) : -1; }

void Field::setIndex(int index) {
  if (dataSet_) dataSet_->moveField(*this, index);
}

void Field::setDisplayLabel(std::string_view label) {
  if (label == displayLabel_) return;
  displayLabel_ = label;
  notifyChange(false);
}

int Field::displayWidth() const {
  if (displayWidth_ > 0) return displayWidth_;
  switch (dataType_) {
    case ftString:
      return size_ > 0 ? size_ : static_cast<int>(displayLabel().size());
    case ftDate:
      return 10;
    case ftDateTime:
      return 18;
    default:
      return 10;
  }
}

void Field::setDisplayWidth(int width) {
  if (width == displayWidth_) return;
  displayWidth_ = width;
  notifyChange(false);
}

void Field::setAlignment(Alignment alignment) {
  if (alignment == alignment_) return;
  alignment_ = alignment;
  notifyChange(false);
}

void Field::setEditMask(std::string_view mask) {
  if (mask == editMask_) return;
  editMask_ = mask;
  notifyChange(false);
}

void Field::raiseNoDataSet() const {
  throw DatabaseError(formatMessage("Field '%s' has no dataset", displayLabel()));
}

bool Field::fetchData(std::uint8_t* buffer) const {
  if (!dataSet_) raiseNoDataSet();
  return dataSet_->readFieldData(*this, buffer);
}

void Field::storeData(const std::uint8_t* buffer) {
  if (!dataSet_) raiseNoDataSet();
  dataSet_->writeFieldData(*this, buffer);
}

std::uint8_t* Field::scratchOf(std::size_t length) const {
  if (scratch_.size() < length) scratch_.resize(length);
  return scratch_.data();
}

bool Field::fetchToScratch() const {
  return fetchData(scratchOf(static_cast<std::size_t>(dataLength())));
}

const std::uint8_t* Field::nativeData() const {
  if (!dataSet_) raiseNoDataSet();
  const std::uint8_t* at = nullptr;
  if (dataSet_->readFieldInPlace(*this, at)) return at;
  return fetchToScratch() ? scratch() : nullptr;
}

bool Field::isBlank() const { return !nativeData(); }

const std::uint8_t* Field::nativeIn(const std::uint8_t* record) const {
  if (!dataSet_) raiseNoDataSet();
  const std::uint8_t* at = nullptr;
  if (dataSet_->fieldDataInPlace(*this, record, at)) return at;
  std::uint8_t* copy = scratchOf(static_cast<std::size_t>(dataLength()));
  return dataSet_->getFieldData(*this, record, copy) ? copy : nullptr;
}

FieldPlace Field::placeInRecords() const {
  if (!dataSet_) raiseNoDataSet();
  return dataSet_->fieldPlace(*this);
}

std::string Field::asText() const {
  std::string text;
  getText(text);
  return text;
}

void Field::setVariantValue(const Variant& value) {
  if (value.isBlank()) {
    makeBlank();
    return;
  }
  std::uint8_t* native = scratchOf(static_cast<std::size_t>(dataLength()));
  nativeFromVariant(value, native);
  storeData(native);
}

void Field::nativeFromVariant(const Variant& value, std::uint8_t* native) const {
  try {
    convertVariant(value, native);
  } catch (const VariantError&) {
    throw DatabaseError(formatMessage("Invalid value for field '%s'", displayLabel()));
  } catch (const ConvertError&) {
    throw DatabaseError(formatMessage("Invalid value for field '%s'", displayLabel()));
  }
}

std::string Field::formatText(bool /*display*/) const { return asText(); }

std::string Field::displayString() const {
  std::string text = formatText(true);
  if (onGetText) onGetText(*this, text, true);
  return text;
}

std::string Field::editString() const {
  std::string text = formatText(false);
  if (onGetText) onGetText(*this, text, false);
  return text;
}

void Field::addFreeNotification(const void* owner, std::function<void(Field&)> notice) {
  removeFreeNotification(owner);
  freeNotices_.push_back({owner, std::move(notice)});
}

void Field::removeFreeNotification(const void* owner) {
  std::erase_if(freeNotices_, [owner](const FreeNotice& n) { return n.owner == owner; });
}

// --- StringField ----------------------------------------------------------------

StringField::StringField(std::string_view name, int size) : Field(ftString, name, size) {}

void StringField::textOf(const std::uint8_t* native, std::string& out) const {
  const auto* text = reinterpret_cast<const char*>(native);
  if (!text) {
    out.clear();
    return;
  }
  out.assign(text, strnlen(text, static_cast<std::size_t>(size())));
}

void StringField::setAsText(std::string_view text) {
  std::uint8_t* buffer = scratchOf(static_cast<std::size_t>(dataLength()));
  textToNative(text, buffer);
  storeData(buffer);
}

void StringField::textToNative(std::string_view text, std::uint8_t* native) const {
  const std::size_t n = utf8SafeCut(text, static_cast<std::size_t>(size()));
  std::memcpy(native, text.data(), n);
  std::memset(native + n, 0, static_cast<std::size_t>(dataLength()) - n);
}

Variant StringField::variantOf(const std::uint8_t* native) const {
  const auto* text = reinterpret_cast<const char*>(native);
  if (!text) return Variant::null();
  return Variant(std::string_view(text, strnlen(text, static_cast<std::size_t>(size()))));
}

void StringField::convertVariant(const Variant& value, std::uint8_t* native) const {
  textToNative(value.toText(), native);
}

// --- DateTimeField --------------------------------------------------------------

int DateTimeField::dataLength() const { return dataType() == ftDate ? 4 : 8; }

DateTime DateTimeField::dateTimeValue() const {
  const std::uint8_t* native = nativeData();
  return native ? valueOf(native) : 0;
}

DateTime DateTimeField::valueOf(const std::uint8_t* native) const {
  if (dataType() == ftDate) {
    return static_cast<double>(loadInt32(native)) - kDayNumberOfDateTimeZero;
  }
  double ms;
  std::memcpy(&ms, native, sizeof ms);
  return millisecondsToDateTime(ms);
}

void DateTimeField::setDateTimeValue(DateTime value) {
  std::uint8_t native[8];
  dateTimeToNative(value, native);
  storeData(native);
}

void DateTimeField::dateTimeToNative(DateTime value, std::uint8_t* native) const {
  if (!validDateTime(value)) {
    throw DatabaseError(formatMessage("Invalid value for field '%s'", displayLabel()));
  }
  if (dataType() == ftDate) {
    storeInt32(native, dateToDayNumber(value));
  } else {
    const double ms = dateTimeToMilliseconds(value);
    std::memcpy(native, &ms, sizeof ms);
  }
}

void DateTimeField::textOf(const std::uint8_t* native, std::string& out) const {
  if (!native) {
    out.clear();
    return;
  }
  valueText(valueOf(native), out);
}

void DateTimeField::valueText(DateTime value, std::string& out) const {
  const FormatSettings& settings = formatSettings();
  formatDateTimeText(
      out, dataType() == ftDate ? std::string_view(settings.dateFormatShort) : std::string_view(),
      value, settings);
}

void DateTimeField::setAsText(std::string_view text) {
  if (text.empty()) {
    makeBlank();
    return;
  }
  setDateTimeValue(dataType() == ftDate ? textToDate(text) : textToDateTime(text));
}

Variant DateTimeField::variantOf(const std::uint8_t* native) const {
  return native ? Variant::date(valueOf(native)) : Variant::null();
}

void DateTimeField::convertVariant(const Variant& value, std::uint8_t* native) const {
  dateTimeToNative(value.toDateTime(), native);
}

void DateTimeField::setDisplayFormat(std::string_view format) {
  if (format == displayFormat_) return;
  displayFormat_ = format;
  notifyChange(false);
}

std::string DateTimeField::formatText(bool display) const {
  if (!display || displayFormat_.empty()) return asText();
  const std::uint8_t* native = nativeData();
  return native ? formatDateTimeText(displayFormat_, valueOf(native)) : std::string();
}

// --- IntegerField ---------------------------------------------------------------

IntegerField::IntegerField(FieldType type, std::string_view name) : Field(type, name) {
  setAlignment(taRightJustify);
}

std::int32_t IntegerField::integerValue() const {
  const std::uint8_t* native = nativeData();
  return native ? loadInt32(native) : 0;
}

void IntegerField::setIntegerValue(std::int64_t value) {
  std::uint8_t native[4];
  integerToNative(value, native);
  storeData(native);
}

void IntegerField::integerToNative(std::int64_t value, std::uint8_t* native) const {
  if (value < minValue_ || value > maxValue_) {
    throw DatabaseError(
        formatMessage("%d is not a valid value for field '%s'. The allowed range is %d to %d",
                      static_cast<long long>(value), displayLabel(),
                      static_cast<long long>(minValue_), static_cast<long long>(maxValue_)));
  }
  storeInt32(native, static_cast<std::int32_t>(value));
}

void IntegerField::textOf(const std::uint8_t* native, std::string& out) const {
  if (!native) {
    out.clear();
    return;
  }
  char text[16];
  const auto result = std::to_chars(text, text + sizeof text, loadInt32(native));
  out.assign(text, result.ptr);
}

void IntegerField::setAsText(std::string_view text) {
  if (text.empty()) {
    makeBlank();
    return;
  }
  std::string_view digits = text;
  while (!digits.empty() && digits.front() == ' ') digits.remove_prefix(1);
  while (!digits.empty() && digits.back() == ' ') digits.remove_suffix(1);
  if (!digits.empty() && digits.front() == '+') digits.remove_prefix(1);
  std::int64_t value = 0;
  const auto [end, error] = std::from_chars(digits.data(), digits.data() + digits.size(), value);
  if (digits.empty() || error != std::errc() || end != digits.data() + digits.size() ||
      value < INT32_MIN || value > INT32_MAX) {
    throw DatabaseError(
        formatMessage("'%s' is not a valid integer value for field '%s'", text, displayLabel()));
  }
  setIntegerValue(value);
}

Variant IntegerField::variantOf(const std::uint8_t* native) const {
  return native ? Variant(static_cast<long long>(loadInt32(native))) : Variant::null();
}

void IntegerField::convertVariant(const Variant& value, std::uint8_t* native) const {
  integerToNative(value.toInteger(), native);
}

void IntegerField::setLimits(std::int64_t minValue, std::int64_t maxValue) {
  minValue_ = minValue;
  maxValue_ = maxValue;
}

// --- factory --------------------------------------------------------------------

std::unique_ptr<Field> makeField(FieldType type, std::string_view name, int size) {
  switch (type) {
    case ftString:
      return std::make_unique<StringField>(name, size);
    case ftDate:
      return std::make_unique<DateField>(name);
    case ftDateTime:
      return std::make_unique<DateTimeField>(name);
    case ftInteger:
      return std::make_unique<IntegerField>(name);
    case ftAutoInc:
      return std::make_unique<AutoIncField>(name);
    default:
      return nullptr;
  }
}

}  // namespace morvel
