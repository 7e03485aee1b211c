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

// NaN would break the sort's total order: it equals itself and sits below
// every other number.
int compareNumbers(long double a, long double b) {
  const bool aNan = std::isnan(a);
  const bool bNan = std::isnan(b);
  if (aNan || bNan) return threeWay(!aNan, !bNan);
  return threeWay(a, b);
}

int compareBytes(std::string_view a, std::string_view b) {
  const std::size_t n = a.size() < b.size() ? a.size() : b.size();
  // memcmp compares as unsigned char, which is the rule.
  const int c = n ? std::memcmp(a.data(), b.data(), n) : 0;
  if (c != 0) return c < 0 ? -1 : 1;
  return threeWay(a.size(), b.size());
}

// A value as the number it compares as; long double holds every 64-bit
// integer exactly, so an integer against a double never loses its low
// digits. False for a text that reads as no number.
bool numberOf(const VariantView& v, long double& out) {
  switch (v.kind) {
    case vkInteger:
      out = static_cast<long double>(v.integer);
      return true;
    case vkCurrency:
      out = static_cast<long double>(v.integer) / Variant::kCurrencyScale;
      return true;
    case vkFloat:
    case vkDate:
      out = v.number;
      return true;
    case vkBoolean:
      out = v.boolean ? 1 : 0;
      return true;
    case vkString: {
      double value = 0;
      if (!parseNumber(v.text, value)) return false;
      out = value;
      return true;
    }
    case vkEmpty:
    case vkNull:
      break;
  }
  return false;
}

// A boolean or a text as the boolean it compares as (see toBoolean).
bool booleanOf(const VariantView& v, bool& out) {
  if (v.kind == vkBoolean) {
    out = v.boolean;
    return true;
  }
  const std::string_view text = trimmed(v.text);
  if (equalsIgnoringAsciiCase(text, "true") || equalsIgnoringAsciiCase(text, "false")) {
    out = equalsIgnoringAsciiCase(text, "true");
    return true;
  }
  double value = 0;
  if (!parseNumber(text, value)) return false;
  out = value != 0;
  return true;
}

}  // namespace

std::optional<int> tryCompareVariants(const VariantView& a, const VariantView& b) noexcept {
  const VariantKind ka = a.kind;
  const VariantKind kb = b.kind;
  if (ka == vkString && kb == vkString) return compareBytes(a.text, b.text);
  const bool aBlank = ka <= vkNull;
  const bool bBlank = kb <= vkNull;
  if (aBlank || bBlank) return threeWay(!aBlank, !bBlank);
  if ((ka == vkInteger && kb == vkInteger) || (ka == vkCurrency && kb == vkCurrency)) {
    return threeWay(a.integer, b.integer);
  }
  if (ka == vkBoolean && kb == vkBoolean) return threeWay(a.boolean, b.boolean);
  if ((ka == vkBoolean && kb == vkString) || (ka == vkString && kb == vkBoolean)) {
    bool x = false;
    bool y = false;
    if (!booleanOf(a, x) || !booleanOf(b, y)) return std::nullopt;
    return threeWay(x, y);
  }
  long double x = 0;
  long double y = 0;
  if (!numberOf(a, x) || !numberOf(b, y)) return std::nullopt;
  return compareNumbers(x, y);
}

int compareVariants(const Variant& a, const Variant& b) {
  if (const std::optional<int> c = tryCompareVariants(a.view(), b.view())) return *c;
  // The values do not compare: the conversion that fails raises its own
  // error (only the text side can).
  const bool asBooleans = a.kind() == vkBoolean || b.kind() == vkBoolean;
  for (const Variant* v : {&a, &b}) {
    if (asBooleans) {
      (void)v->toBoolean();
    } else {
      (void)v->toDouble();
    }
  }
  throw VariantError("The values do not compare");
}

bool variantsEqual(const Variant& a, const Variant& b) { return compareVariants(a, b) == 0; }

}  // namespace morvel
