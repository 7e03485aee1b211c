// The tagged value shared by fields and the grid: a field's value, a node's
// key, cell and group values, and the values rows are sorted by.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "base/DateTime.h"
#include "base/Exception.h"

namespace morvel {

// Raised when a value cannot be converted to the kind an operation needs
// (a text that is no number, compared against a number).
class VariantError : public Exception {
 public:
  using Exception::Exception;
};

// The kinds a value can have; compareVariants gives the order across kinds.
enum VariantKind : std::uint8_t {
  vkEmpty,     // never assigned
  vkNull,      // assigned "no value" (a blank field)
  vkInteger,   // 64-bit signed
  vkFloat,     // 64-bit floating point
  vkCurrency,  // fixed point: a 64-bit count of ten-thousandths
  vkDate,      // days since 30 December 1899, the time of day as the fraction
  vkBoolean,
  vkString,  // bytes, compared unsigned byte by byte
};

// A value seen in place, its text borrowed rather than copied: what a
// comparison needs of a Variant or of a value kept packed elsewhere.
struct VariantView {
  VariantKind kind = vkEmpty;
  std::int64_t integer = 0;  // vkInteger; vkCurrency in ten-thousandths
  double number = 0;         // vkFloat; vkDate in days
  bool boolean = false;      // vkBoolean
  std::string_view text;     // vkString
};

// A small value class: copying copies the text; every other kind is a few
// bytes held inline (the whole object is 40 bytes, as nodes keep many).
class Variant {
 public:
  // Ten-thousandths per currency unit.
  static constexpr std::int64_t kCurrencyScale = 10000;

  Variant() noexcept : kind_(vkEmpty), integer_(0) {}
  Variant(int value) noexcept : kind_(vkInteger), integer_(value) {}
  Variant(long value) noexcept : kind_(vkInteger), integer_(value) {}
  Variant(long long value) noexcept : kind_(vkInteger), integer_(value) {}
  Variant(double value) noexcept : kind_(vkFloat), float_(value) {}
  Variant(bool value) noexcept : kind_(vkBoolean), boolean_(value) {}
  Variant(std::string value) noexcept : kind_(vkString), string_(std::move(value)) {}
  Variant(std::string_view value) : kind_(vkString), string_(value) {}
  Variant(const char* value) : kind_(vkString), string_(value ? value : "") {}

  static Variant null() noexcept;
  static Variant date(DateTime days) noexcept;
  // A currency amount given in ten-thousandths (12.5 is 125000).
  static Variant currency(std::int64_t tenThousandths) noexcept;

  Variant(const Variant& other);
  Variant(Variant&& other) noexcept;
  Variant& operator=(const Variant& other);
  Variant& operator=(Variant&& other) noexcept;
  ~Variant();

  VariantKind kind() const noexcept { return kind_; }
  bool isEmpty() const noexcept { return kind_ == vkEmpty; }
  bool isNull() const noexcept { return kind_ == vkNull; }
  // Empty or null: the value holds nothing.
  bool isBlank() const noexcept { return kind_ <= vkNull; }
  // Integer, floating point, currency or date: kinds that compare as numbers.
  bool isNumeric() const noexcept { return kind_ >= vkInteger && kind_ <= vkDate; }

  // The stored value of each kind. Reading the wrong kind raises VariantError.
  std::int64_t integerValue() const;
  double floatValue() const;
  std::int64_t currencyValue() const;  // in ten-thousandths
  DateTime dateValue() const;          // in days
  bool booleanValue() const;
  const std::string& stringValue() const;

  // The value as a number: numbers as themselves (currency in units, a date
  // as its days), a boolean as 0 or 1, a text when it reads as a decimal
  // number ("  -1.5e3 " does; "12abc", "" and "nan" do not). Anything else
  // raises VariantError.
  double toDouble() const;
  // The value as a boolean: a boolean as itself, a number as "not zero", a
  // text "true"/"false" in any case or as a number. Otherwise VariantError.
  bool toBoolean() const;
  // The value as a whole number: an integer as itself, other numbers rounded
  // to the nearest whole number (halves to even), a boolean as 0 or 1, a
  // text that reads as a number (then rounded). A value outside the 64-bit
  // range, NaN or anything else raises VariantError.
  std::int64_t toInteger() const;
  // The value as a date-time: numbers as a count of days, a text read by the
  // program's date text rules (a date, a date and time, or a time) and
  // failing that as a number of days. Empty, null, booleans and other texts
  // raise VariantError.
  DateTime toDateTime() const;
  // The value as text: a text as it is, integers in decimal, floating point
  // numbers in their shortest exact form ("0.1", "1e+300"), currency with at
  // most four decimals, a date by the program's date-time text, booleans as
  // "True"/"False", empty and null as "".
  std::string toText() const;

  // The value seen in place; valid while the value lives unchanged.
  VariantView view() const noexcept {
    VariantView v;
    v.kind = kind_;
    if (kind_ == vkInteger || kind_ == vkCurrency) v.integer = integer_;
    if (kind_ == vkFloat || kind_ == vkDate) v.number = float_;
    if (kind_ == vkBoolean) v.boolean = boolean_;
    if (kind_ == vkString) v.text = string_;
    return v;
  }

  // The kind's name as messages show it ("String", "Double", ...).
  static const char* kindName(VariantKind kind) noexcept;

  void swap(Variant& other) noexcept;

 private:
  void destroy() noexcept;
  void copyFrom(const Variant& other);
  void moveFrom(Variant&& other) noexcept;
  [[noreturn]] void wrongKind(VariantKind wanted) const;

  VariantKind kind_;
  union {
    std::int64_t integer_;  // vkInteger, vkCurrency
    double float_;          // vkFloat, vkDate
    bool boolean_;
    std::string string_;
  };
};

// Orders two values: negative, zero or positive as a is below, equal to or
// above b. The rules:
//  - empty and null hold nothing: they are equal to each other and below
//    every other value;
//  - integer, floating point, currency and date values compare as numbers
//    (a date as its count of days), whatever their kinds; NaN is equal to
//    NaN and below every other number;
//  - texts compare byte by byte as unsigned bytes over the shorter length,
//    and when that prefix is equal the shorter text is below ("" first,
//    upper-case letters before lower-case ones);
//  - booleans: false below true;
//  - a text against a number is converted to a number, and a text against a
//    boolean to a boolean (raising VariantError when it does not convert);
//    a boolean against a number counts as 0 or 1.
int compareVariants(const Variant& a, const Variant& b);

// compareVariants without raising: the order of two values, or none when
// they do not compare (a text that is no number against a number, a text
// that is no boolean against a boolean). Allocates nothing, so it suits
// hot paths and sort comparators, which decide for themselves where a value
// that does not compare goes.
std::optional<int> tryCompareVariants(const VariantView& a, const VariantView& b) noexcept;
inline std::optional<int> tryCompareVariants(const Variant& a, const Variant& b) noexcept {
  return tryCompareVariants(a.view(), b.view());
}

// compareVariants(a, b) == 0.
bool variantsEqual(const Variant& a, const Variant& b);

}  // namespace morvel
