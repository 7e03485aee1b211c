// The cells of records read where the table keeps them, for a load that
// makes a grid row of each record without moving the dataset: a reader
// takes each record's texts, stored values and key into a run of rows,
// which the grid then turns into rows (on one thread, or with the reading
// on a second thread while the first makes the rows).
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "base/DateTextMemo.h"
#include "grid/db/DBGridNode.h"
#include "table/FieldPlace.h"

namespace morvel {

class DateTimeColumnFormatter;

// The cells of a run of records, in record order.
struct RecordRows {
  std::string texts;                     // every text of the run, one after another
  std::vector<std::uint32_t> textEnds;   // per record, per column: where its text ends
  std::vector<PackedValue> values;       // stored values, record after record (column in aux16)
  std::vector<std::uint32_t> valueEnds;  // per record: where its values end
  std::vector<PackedValue> keys;         // per record: the key field's value (null: none)

  std::size_t count() const { return keys.size(); }
  void clear() {
    texts.clear();
    textEnds.clear();
    values.clear();
    valueEnds.clear();
    keys.clear();
  }
};

// Reads the cells of records into runs of rows. Each column's text is the
// field's own text (the caller makes sure the column shows nothing else),
// and its value is kept where the row keeps one. Meant for one walk: the
// date texts it keeps follow the format settings of the walk's start.
class RecordRowReader {
 public:
  // One per grid column, by index: the field shown (null: an empty text)
  // and whether the row keeps the field's value beside the text.
  struct Column {
    const Field* field = nullptr;
    bool storesValue = false;
  };
  RecordRowReader(const std::vector<Column>& columns, const Field* keyField);
  ~RecordRowReader();
  RecordRowReader(const RecordRowReader&) = delete;
  RecordRowReader& operator=(const RecordRowReader&) = delete;

  // Adds the record's cells to `rows`.
  void read(const std::uint8_t* record, RecordRows& rows);

 private:
  enum class Kind : std::uint8_t { none, text, date, dateTime, other };
  struct Reader {
    const Field* field = nullptr;
    std::optional<FieldPlace> place;
    Kind kind = Kind::none;
    bool storesValue = false;
    std::size_t size = 0;  // text: the field's size
    DateTextMemo dates;    // date: the texts of the days met
  };
  void addText(Reader& reader, const std::uint8_t* native, RecordRows& rows);

  std::vector<Reader> readers_;
  // The texts of date-times, one for every such column (they share a format).
  std::unique_ptr<DateTimeColumnFormatter> dateTimes_;
  const Field* keyField_;
  std::optional<FieldPlace> keyPlace_;
  std::string text_;
};

}  // namespace morvel
