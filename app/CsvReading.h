// The rules by which a CSV file is read: turning one line into comma text
// whose items are exactly its fields, naming columns from the header line and
// typing them from the second line. Standard library only.
#pragma once

#include <string>
#include <string_view>

#include "base/FormatSettings.h"
#include "table/FieldType.h"

namespace morvel {

// Rewrites one line so that StringList::setCommaText yields exactly its
// fields: a quote character switches quoting on and off and is dropped, a
// comma outside quotes separates fields, everything else (spaces included)
// belongs to the field, and a line with k separating commas has k + 1 fields.
// Quoting left open ends at the line's last quote character: commas after it
// separate fields again.
// Every line gives at least one field: an empty line one empty field.
std::string normaliseLine(std::string_view line);
// The same into out (its buffer is reused), for loops over many lines.
void normaliseLine(std::string_view line, std::string& out);

// Whether reading the line drops quote characters that belong to its data:
// any quote other than a pair that encloses a whole field, such as an inch
// mark (5" bolt), a doubled quote inside quotes ("a""b" reads as ab) or a
// quote left open. Quotes that merely enclose fields lose nothing.
bool quotesDropped(std::string_view line);

// Numbers the columns whose header field is empty ("Blank1", "Blank2", ...);
// an import or export starts a fresh one.
class BlankCounter {
 public:
  int next() const { return next_; }
  // The number for the next empty header field; counts it.
  int take() { return next_++; }
  void reset() { next_ = 1; }

 private:
  int next_ = 1;
};

// The column name for a header field: the field itself, or "Blank" and the
// counter's next number when the field is empty.
std::string fieldNameFor(std::string_view headerField, BlankCounter& counter);

// A column's type and size (the size counts only for text columns).
struct ColumnType {
  FieldType type = ftString;
  int size = 100;
};

inline bool operator==(const ColumnType& a, const ColumnType& b) {
  return a.type == b.type && a.size == b.size;
}

// The type a column takes from its value on the second line: "xx/xx/xx" that
// converts by textToDate is a date, "xx/xx/xx xx:xx" that converts by
// textToDateTime a date-time, anything else text of 100 characters. A value
// shaped like a date that does not convert raises the conversion's
// ConvertError (the import then takes a text column).
ColumnType columnTypeFor(std::string_view sample,
                         const FormatSettings& settings = formatSettings());

}  // namespace morvel
