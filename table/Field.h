// Fields: one column of a dataset's current record, with its text and value
// conversions. The field keeps no value of its own: every read and write goes
// through its dataset to the record buffer of the dataset's current state,
// in the field's native form (the bytes the table stores).
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "base/Alignment.h"
#include "base/DateTime.h"
#include "base/Variant.h"
#include "table/FieldType.h"

namespace morvel {

class DataSet;
class FieldPlace;

enum FieldKind { fkData, fkCalculated, fkLookup, fkInternalCalc, fkAggregate };

// Native forms of the date types: day 1 is 0001-01-01, so a date-time value
// (days from 1899-12-30) is that many days after day 693594.
constexpr int kDayNumberOfDateTimeZero = 693594;

// Day number of a date-time value (its whole days), and back.
std::int32_t dateToDayNumber(DateTime value);
// Milliseconds since 0001-01-01 00:00 of a date-time value, and back. A
// native value that is no valid date-time reads as day number 0, time 0.
double dateTimeToMilliseconds(DateTime value);
DateTime millisecondsToDateTime(double milliseconds);

class Field {
 public:
  // Called with the field and the text to show; display is true for the
  // display text, false for the edit text.
  using GetTextHandler = std::function<void(const Field&, std::string& text, bool display)>;
  // Called before a value is stored with the native bytes about to be
  // written (null when the field is being made blank); may raise to refuse.
  using ValidateHandler = std::function<void(Field&, const std::uint8_t* value)>;

  Field(FieldType type, std::string_view name, int size = 0);
  virtual ~Field();
  Field(const Field&) = delete;
  Field& operator=(const Field&) = delete;

  // The dataset the field belongs to; none while it is not attached.
  DataSet* dataSet() const { return dataSet_; }

  const std::string& fieldName() const { return fieldName_; }
  void setFieldName(std::string_view name) { fieldName_ = name; }
  FieldType dataType() const { return dataType_; }
  FieldKind fieldKind() const { return fieldKind_; }
  void setFieldKind(FieldKind kind) { fieldKind_ = kind; }
  // Characters of a string field; 0 for the other types.
  int size() const { return size_; }
  void setSize(int size);
  // Bytes of the native value: Size + 1 for strings, 4 for dates and
  // integers, 8 for date-times.
  virtual int dataLength() const = 0;
  // 1-based position of the field's definition in the table; 0 while not
  // bound, -1 for calculated and lookup fields.
  int fieldNumber() const { return fieldNumber_; }
  // Offset of a calculated field's value in the calculated-field area.
  int calcOffset() const { return calcOffset_; }

  // Display properties. Visible and Index changes tell the observers that the
  // layout changed, the others that the data must be shown again (while the
  // dataset is open).
  bool visible() const { return visible_; }
  void setVisible(bool visible);
  int index() const;
  void setIndex(int index);
  const std::string& displayLabel() const {
    return displayLabel_.empty() ? fieldName_ : displayLabel_;
  }
  void setDisplayLabel(std::string_view label);
  int displayWidth() const;
  void setDisplayWidth(int width);
  Alignment alignment() const { return alignment_; }
  void setAlignment(Alignment alignment);
  const std::string& editMask() const { return editMask_; }
  void setEditMask(std::string_view mask);
  bool required() const { return required_; }
  void setRequired(bool required) { required_ = required; }
  bool readOnly() const { return readOnly_; }
  void setReadOnly(bool readOnly) { readOnly_ = readOnly; }

  // The value as text (empty when blank). getText writes it into a string
  // the caller keeps, so that walking many records reuses one buffer.
  std::string asText() const;
  void getText(std::string& out) const { textOf(nativeData(), out); }
  virtual void setAsText(std::string_view text) = 0;
  // The value as a variant: null when blank.
  Variant variantValue() const { return variantOf(nativeData()); }
  // The value and the text of native bytes of the field's type (null for a
  // blank value), as FieldPlace::in finds them in a record; the text is
  // written over `out`.
  virtual Variant variantOf(const std::uint8_t* native) const = 0;
  virtual void textOf(const std::uint8_t* native, std::string& out) const = 0;
  // Null makes the field blank; any other value is converted to the
  // field's type ("Invalid value for field '%s'" when it does not convert).
  void setVariantValue(const Variant& value);
  // The native bytes (dataLength() of them) of a value converted to the
  // field's type, without storing it; raises as setVariantValue does.
  void nativeFromVariant(const Variant& value, std::uint8_t* native) const;
  // True when the current record holds no value for the field.
  bool isBlank() const;
  // The native bytes and the text of the field's value in a record that
  // DataSet::forEachRecord hands out (null and empty when blank), read as
  // nativeData and getText read the current record's.
  const std::uint8_t* nativeIn(const std::uint8_t* record) const;
  void textIn(const std::uint8_t* record, std::string& out) const { textOf(nativeIn(record), out); }
  // Where nativeIn finds the value in every such record, for reading it
  // from many (table/FieldPlace.h); good while the dataset stays open.
  FieldPlace placeInRecords() const;
  // The text shown in a cell and the text offered for editing.
  std::string displayString() const;
  std::string editString() const;

  // The native value: copies dataLength() bytes into buffer and returns
  // false when the field is blank. StoreData with no buffer makes the field
  // blank. Both raise "Field '%s' has no dataset" while not attached.
  bool fetchData(std::uint8_t* buffer) const;
  void storeData(const std::uint8_t* buffer);
  void makeBlank() { storeData(nullptr); }

  // Asks to be told (once) when this field is destroyed; the owner key
  // identifies the request so that it can be withdrawn.
  void addFreeNotification(const void* owner, std::function<void(Field&)> notice);
  void removeFreeNotification(const void* owner);

  GetTextHandler onGetText;
  ValidateHandler onValidate;

 protected:
  // The value of the current record in the field's scratch buffer (sized to
  // the data length); false when blank.
  bool fetchToScratch() const;
  // The current record's native bytes (the data length of them), null when
  // blank: read in place where the dataset allows it, else copied to the
  // scratch buffer. Valid until the record or the scratch buffer changes.
  const std::uint8_t* nativeData() const;
  std::uint8_t* scratch() const { return scratch_.data(); }
  // The scratch buffer, grown to at least length bytes.
  std::uint8_t* scratchOf(std::size_t length) const;
  void notifyChange(bool layout);
  // Converts a value that is not blank into the native bytes; raises
  // VariantError, ConvertError or DatabaseError when it does not convert.
  virtual void convertVariant(const Variant& value, std::uint8_t* native) const = 0;
  // The display or edit text before the get-text handler sees it.
  virtual std::string formatText(bool display) const;
  [[noreturn]] void raiseNoDataSet() const;

 private:
  friend class DataSet;

  DataSet* dataSet_ = nullptr;
  std::string fieldName_;
  FieldType dataType_;
  FieldKind fieldKind_ = fkData;
  int size_;
  int fieldNumber_ = 0;
  int calcOffset_ = 0;
  bool visible_ = true;
  bool required_ = false;
  bool readOnly_ = false;
  Alignment alignment_ = taLeftJustify;
  int displayWidth_ = 0;  // 0: the type's default
  std::string displayLabel_;
  std::string editMask_;
  mutable std::vector<std::uint8_t> scratch_;
  struct FreeNotice {
    const void* owner;
    std::function<void(Field&)> notice;
  };
  std::vector<FreeNotice> freeNotices_;
};

class StringField : public Field {
 public:
  explicit StringField(std::string_view name, int size = 20);
  int dataLength() const override { return size() + 1; }
  // Text longer than Size is cut to Size bytes, never inside a UTF-8
  // character.
  void setAsText(std::string_view text) override;
  Variant variantOf(const std::uint8_t* native) const override;
  void textOf(const std::uint8_t* native, std::string& out) const override;

 protected:
  void convertVariant(const Variant& value, std::uint8_t* native) const override;

 private:
  void textToNative(std::string_view text, std::uint8_t* native) const;
};

class DateTimeField : public Field {
 public:
  explicit DateTimeField(std::string_view name) : DateTimeField(ftDateTime, name) {}
  int dataLength() const override;
  // The stored value, 0 when blank.
  DateTime dateTimeValue() const;
  // Raises "Invalid value for field '%s'" for a value outside the years 1 to
  // 9999, which the native form could not give back.
  void setDateTimeValue(DateTime value);
  void dateTimeToNative(DateTime value, std::uint8_t* native) const;
  // The text of a value of the field's type, written over `out`: the short
  // date for date fields, the general form for date-time fields.
  void valueText(DateTime value, std::string& out) const;
  // Empty text makes the field blank; other text is read by the date (date
  // fields) or date-and-time rules and raises ConvertError when it does not
  // read, leaving the field unchanged.
  void setAsText(std::string_view text) override;
  Variant variantOf(const std::uint8_t* native) const override;
  void textOf(const std::uint8_t* native, std::string& out) const override;
  // Used for the display and edit texts when not empty.
  const std::string& displayFormat() const { return displayFormat_; }
  void setDisplayFormat(std::string_view format);
  // The value of native bytes of the field's type.
  DateTime valueOf(const std::uint8_t* native) const;

 protected:
  DateTimeField(FieldType type, std::string_view name) : Field(type, name) {}
  void convertVariant(const Variant& value, std::uint8_t* native) const override;
  std::string formatText(bool display) const override;

 private:
  std::string displayFormat_;
};

class DateField : public DateTimeField {
 public:
  explicit DateField(std::string_view name) : DateTimeField(ftDate, name) {}
};

class IntegerField : public Field {
 public:
  explicit IntegerField(std::string_view name) : IntegerField(ftInteger, name) {}
  int dataLength() const override { return 4; }
  // The stored number, 0 when blank.
  std::int32_t integerValue() const;
  // Raises when the value lies outside the field's limits.
  void setIntegerValue(std::int64_t value);
  void integerToNative(std::int64_t value, std::uint8_t* native) const;
  // Empty text makes the field blank; other text must be a whole decimal
  // number ("'%s' is not a valid integer value for field '%s'").
  void setAsText(std::string_view text) override;
  Variant variantOf(const std::uint8_t* native) const override;
  void textOf(const std::uint8_t* native, std::string& out) const override;
  // Limits of the stored value; the full 32-bit range by default.
  std::int64_t minValue() const { return minValue_; }
  std::int64_t maxValue() const { return maxValue_; }
  void setLimits(std::int64_t minValue, std::int64_t maxValue);

 protected:
  IntegerField(FieldType type, std::string_view name);
  void convertVariant(const Variant& value, std::uint8_t* native) const override;

 private:
  std::int64_t minValue_ = INT32_MIN;
  std::int64_t maxValue_ = INT32_MAX;
};

class AutoIncField : public IntegerField {
 public:
  explicit AutoIncField(std::string_view name) : IntegerField(ftAutoInc, name) {}
};

// A new field of the class for the type; none for a type without one.
std::unique_ptr<Field> makeField(FieldType type, std::string_view name, int size);

}  // namespace morvel
