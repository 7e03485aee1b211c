// The variant value and its comparison rules; see Variant.h.
#include "base/Variant.h"

#include <cctype>
#include <charconv>
#include <cmath>
#include <cstring>
#include <new>
#include <utility>

#include "base/DateText.h"
#include "base/Format.h"
#include "base/StringUtils.h"

namespace morvel {

Variant Variant::null() noexcept {
  Variant v;
  v.kind_ = vkNull;
  return v;
}

Variant Variant::date(DateTime days) noexcept {
  Variant v(days);
  v.kind_ = vkDate;
  return v;
}

Variant Variant::currency(std::int64_t tenThousandths) noexcept {
  Variant v;
  v.kind_ = vkCurrency;
  v.integer_ = tenThousandths;
  return v;
}

Variant::Variant(const Variant& other) : kind_(vkEmpty), integer_(0) { copyFrom(other); }

Variant::Variant(Variant&& other) noexcept : kind_(vkEmpty), integer_(0) {
  moveFrom(std::move(other));
}

Variant& Variant::operator=(const Variant& other) {
  if (this == &other) return *this;
  if (kind_ == vkString && other.kind_ == vkString) {
    string_ = other.string_;  // reuses the buffer
    return *this;
  }
  Variant copy(other);
  swap(copy);
  return *this;
}

Variant& Variant::operator=(Variant&& other) noexcept {
  if (this != &other) {
    destroy();
    moveFrom(std::move(other));
  }
  return *this;
}

Variant::~Variant() { destroy(); }

void Variant::destroy() noexcept {
  if (kind_ == vkString) string_.~basic_string();
  kind_ = vkEmpty;
  integer_ = 0;
}

void Variant::copyFrom(const Variant& other) {
  if (other.kind_ == vkString) {
    new (&string_) std::string(other.string_);
  } else {
    std::memcpy(static_cast<void*>(&integer_), &other.integer_, sizeof integer_);
  }
  kind_ = other.kind_;
}

void Variant::moveFrom(Variant&& other) noexcept {
  if (other.kind_ == vkString) {
    new (&string_) std::string(std::move(other.string_));
  } else {
    std::memcpy(static_cast<void*>(&integer_), &other.integer_, sizeof integer_);
  }
  kind_ = other.kind_;
}

void Variant::swap(Variant& other) noexcept {
  Variant tmp(std::move(other));
  other = std::move(*this);
  *this = std::move(tmp);
}

const char* Variant::kindName(VariantKind kind) noexcept {
  switch (kind) {
    case vkEmpty:
      return "Empty";
    case vkNull:
      return "Null";
    case vkInteger:
      return "Int64";
    case vkFloat:
      return "Double";
    case vkCurrency:
      return "Currency";
    case vkDate:
      return "Date";
    case vkBoolean:
      return "Boolean";
    case vkString:
      return "String";
  }
  return "Unknown";
}

void Variant::wrongKind(VariantKind wanted) const {
  throw VariantError(formatMessage("Could not convert variant of type (%s) into type (%s)",
                                   kindName(kind_), kindName(wanted)));
}

std::int64_t Variant::integerValue() const {
  if (kind_ != vkInteger) wrongKind(vkInteger);
  return integer_;
}

double Variant::floatValue() const {
  if (kind_ != vkFloat) wrongKind(vkFloat);
  return float_;
}

std::int64_t Variant::currencyValue() const {
  if (kind_ != vkCurrency) wrongKind(vkCurrency);
  return integer_;
}

DateTime Variant::dateValue() const {
  if (kind_ != vkDate) wrongKind(vkDate);
  return float_;
}

bool Variant::booleanValue() const {
  if (kind_ != vkBoolean) wrongKind(vkBoolean);
  return boolean_;
}

const std::string& Variant::stringValue() const {
  if (kind_ != vkString) wrongKind(vkString);
  return string_;
}

namespace {

bool isBlankChar(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }

std::string_view trimmed(std::string_view text) {
  while (!text.empty() && isBlankChar(text.front())) text.remove_prefix(1);
  while (!text.empty() && isBlankChar(text.back())) text.remove_suffix(1);
  return text;
}

// A decimal number ("-1.5", "+2", "3e4"); no hexadecimal, no "inf"/"nan".
bool parseNumber(std::string_view text, double& out) {
  text = trimmed(text);
  bool negative = false;
  if (!text.empty() && (text.front() == '+' || text.front() == '-')) {
    negative = text.front() == '-';
    text.remove_prefix(1);
  }
  if (text.empty() ||
      !(std::isdigit(static_cast<unsigned char>(text.front())) || text.front() == '.')) {
    return false;
  }
  double value = 0;
  const auto [end, error] =
      std::from_chars(text.data(), text.data() + text.size(), value, std::chars_format::general);
  if (error != std::errc() || end != text.data() + text.size()) return false;
  out = negative ? -value : value;
  return true;
}

}  // namespace

double Variant::toDouble() const {
  switch (kind_) {
    case vkInteger:
      return static_cast<double>(integer_);
    case vkCurrency:
      return static_cast<double>(integer_) / kCurrencyScale;
    case vkFloat:
    case vkDate:
      return float_;
    case vkBoolean:
      return boolean_ ? 1 : 0;
    case vkString: {
      double value = 0;
      if (parseNumber(string_, value)) return value;
      break;
    }
    case vkEmpty:
    case vkNull:
      break;
  }
  wrongKind(vkFloat);
}

bool Variant::toBoolean() const {
  switch (kind_) {
    case vkBoolean:
      return boolean_;
    case vkString: {
      const std::string_view text = trimmed(string_);
      if (equalsIgnoringAsciiCase(text, "true")) return true;
      if (equalsIgnoringAsciiCase(text, "false")) return false;
      double value = 0;
      if (parseNumber(text, value)) return value != 0;
      break;
    }
    case vkInteger:
    case vkCurrency:
    case vkFloat:
    case vkDate:
      return toDouble() != 0;
    case vkEmpty:
    case vkNull:
      break;
  }
  wrongKind(vkBoolean);
}

std::int64_t Variant::toInteger() const {
  if (kind_ == vkInteger) return integer_;
  if (kind_ == vkCurrency) {
    // Exact in fixed point: round the ten-thousandths half to even.
    const std::int64_t whole = integer_ / kCurrencyScale;
    const std::int64_t rest = integer_ % kCurrencyScale;
    const std::int64_t twice = 2 * (rest < 0 ? -rest : rest);
    const int sign = rest < 0 ? -1 : 1;
    if (twice > kCurrencyScale || (twice == kCurrencyScale && whole % 2 != 0)) return whole + sign;
    return whole;
  }
  if (kind_ == vkEmpty || kind_ == vkNull) wrongKind(vkInteger);
  const double value = std::nearbyint(toDouble());  // the default mode rounds halves to even
  // 2^63 itself does not fit; every double below it does.
  if (!(value >= -9223372036854775808.0 && value < 9223372036854775808.0)) wrongKind(vkInteger);
  return static_cast<std::int64_t>(value);
}

DateTime Variant::toDateTime() const {
  switch (kind_) {
    case vkString: {
      DateTime value = 0;
      if (tryTextToDateTime(string_, value)) return value;
      if (parseNumber(string_, value) && std::isfinite(value)) return value;
      break;
    }
    case vkInteger:
    case vkCurrency:
    case vkFloat:
    case vkDate:
      return toDouble();
    case vkEmpty:
    case vkNull:
    case vkBoolean:
      break;
  }
  wrongKind(vkDate);
}

std::string Variant::toText() const {
  switch (kind_) {
    case vkEmpty:
    case vkNull:
      return {};
    case vkString:
      return string_;
    case vkInteger:
      return std::to_string(integer_);
    case vkBoolean:
      return boolean_ ? "True" : "False";
    case vkDate:
      return dateTimeToText(float_);
    case vkFloat: {
      char text[32];
      const auto result = std::to_chars(text, text + sizeof text, float_);
      return std::string(text, result.ptr);
    }
    case vkCurrency: {
      const std::uint64_t magnitude = integer_ < 0 ? 0 - static_cast<std::uint64_t>(integer_)
                                                   : static_cast<std::uint64_t>(integer_);
      std::string text = integer_ < 0 ? "-" : "";
      text += std::to_string(magnitude / kCurrencyScale);
      std::uint64_t fraction = magnitude % kCurrencyScale;
      if (fraction != 0) {
        std::string digits = std::to_string(fraction + kCurrencyScale).substr(1);
        while (digits.back() == '0') digits.pop_back();
        text += '.';
        text += digits;
      }
      return text;
    }
  }
  return {};
}

namespace {

template <class T>
int threeWay(T a, T b) {
  return a < b ? -1 : (b < a ? 1 : 0);
}

// Numbers of any kind; long double holds every 64-bit integer exactly, so an
// integer against a double never loses its low digits.
long double numericValue(const Variant& v) {
  switch (v.kind()) {
    case vkInteger:
      return static_cast<long double>(v.integerValue());
    case vkCurrency:
      return static_cast<long double>(v.currencyValue()) / Variant::kCurrencyScale;
    case vkFloat:
      return v.floatValue();
    case vkDate:
      return v.dateValue();
    default:
      return static_cast<long double>(v.toDouble());
  }
}

// NaN would break the sort's total order: it equals itself and sits below
// every other number.
int compareNumbers(long double a, long double b) {
  const bool aNan = std::isnan(a);
  const bool bNan = std::isnan(b);
  if (aNan || bNan) return threeWay(!aNan, !bNan);
  return threeWay(a, b);
}

int compareBytes(const std::string& a, const std::string& b) {
  const std::size_t n = a.size() < b.size() ? a.size() : b.size();
  // memcmp compares as unsigned char, which is the rule.
  const int c = n ? std::memcmp(a.data(), b.data(), n) : 0;
  if (c != 0) return c < 0 ? -1 : 1;
  return threeWay(a.size(), b.size());
}

}  // namespace

int compareVariants(const Variant& a, const Variant& b) {
  const VariantKind ka = a.kind();
  const VariantKind kb = b.kind();
  if (ka == vkString && kb == vkString) return compareBytes(a.stringValue(), b.stringValue());
  if (a.isBlank() || b.isBlank()) return threeWay(!a.isBlank(), !b.isBlank());
  if (ka == vkInteger && kb == vkInteger) return threeWay(a.integerValue(), b.integerValue());
  if (ka == vkCurrency && kb == vkCurrency) return threeWay(a.currencyValue(), b.currencyValue());
  if (ka == vkBoolean && kb == vkBoolean) return threeWay(a.booleanValue(), b.booleanValue());
  if ((ka == vkBoolean && kb == vkString) || (ka == vkString && kb == vkBoolean)) {
    return threeWay(a.toBoolean(), b.toBoolean());
  }
  return compareNumbers(numericValue(a), numericValue(b));
}

bool variantsEqual(const Variant& a, const Variant& b) { return compareVariants(a, b) == 0; }

}  // namespace morvel
