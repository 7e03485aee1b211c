// The cells of records read where the table keeps them, for a load that
// makes a grid row of each record without moving the dataset: a reader
// takes each record's texts, stored values and key into a run of rows,
// which the grid then turns into rows (on one thread, or with the reading
// on a second thread while the first makes the rows). The texts of
// date-times, the dearest to make, are left to the side that makes the
// rows, so that with the columns files mostly have the two sides take about
// as long.
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
  // Per record, per date-time column: the value whose text is still to be
  // made (NaN when blank); its text in `texts` is empty until then.
  std::vector<double> dateTimes;

  std::size_t count() const { return keys.size(); }
  void clear() {
    dateTimes.clear();
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

  // Whether column i is a date-time whose text RecordRowTexts makes.
  std::size_t columnCount() const { return readers_.size(); }
  bool textLater(std::size_t i) const { return readers_[i].kind == Kind::dateTime; }

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
  // The texts of the days the date columns' memos do not hold (one format).
  std::unique_ptr<DateTimeColumnFormatter> dates_;
  const Field* keyField_;
  std::optional<FieldPlace> keyPlace_;
  std::string text_;
};

// The texts of the records of runs a reader took, with the date-times' texts
// made here. Meant for one walk, as the reader.
class RecordRowTexts {
 public:
  explicit RecordRowTexts(const RecordRowReader& reader);
  ~RecordRowTexts();
  RecordRowTexts(const RecordRowTexts&) = delete;
  RecordRowTexts& operator=(const RecordRowTexts&) = delete;

  // The texts of record r of the run, one per column; valid until the next
  // call or until the run changes.
  const std::vector<std::string_view>& of(const RecordRows& rows, std::size_t r);

 private:
  std::vector<bool> later_;  // by column: a date-time whose text is made here
  std::size_t laterCount_ = 0;
  // One for every date-time column: they share the field's own format.
  std::unique_ptr<DateTimeColumnFormatter> dateTimes_;
  std::string made_;
  std::vector<std::uint32_t> madeEnds_;
  std::vector<std::string_view> views_;
};

}  // namespace morvel
