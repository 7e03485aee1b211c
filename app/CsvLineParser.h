// The lines of a CSV file split into their values on a second thread while
// the import stores the values of the lines before them: each line is
// rewritten and split by the reading rules (CsvReading.h), and the values of
// date and date-time columns are converted there too. Lines come in
// batches, in file order.
#pragma once

#include <cstdint>
#include <exception>
#include <span>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

#include "base/BatchQueue.h"
#include "base/DateTime.h"
#include "base/StringList.h"
#include "table/FieldType.h"

namespace morvel {

// One value of a line: its text, and for a date or date-time column the
// date it reads as (an empty text reads as none and stays blank).
struct ParsedValue {
  std::uint32_t offset = 0;  // the text's place in the batch's texts
  std::uint32_t length = 0;
  DateTime date = 0;
};

struct ParsedLine {
  std::uint32_t firstValue = 0;  // the line's values in the batch's values
  std::uint32_t valueCount = 0;
  bool quotesDropped = false;  // see quotesDropped in CsvReading.h
};

// A run of lines. When reading a line failed (a value that does not read
// as its column's date, or no memory), the batch ends with that line,
// `failure` is what reading it raised and `failedLine` its index. The line
// is the batch's last, unless reading failed before it was entered; when
// `failedValue` is not -1, its values end with that one, which did not
// read.
struct ParsedBatch {
  int firstLine = 0;  // the file line index of lines[0]
  std::string texts;
  std::vector<ParsedValue> values;
  std::vector<ParsedLine> lines;
  std::exception_ptr failure;
  int failedLine = -1;
  int failedValue = -1;

  std::string_view text(const ParsedValue& value) const {
    return std::string_view(texts).substr(value.offset, value.length);
  }
  std::span<const ParsedValue> valuesOf(const ParsedLine& line) const {
    return std::span<const ParsedValue>(values).subspan(line.firstValue, line.valueCount);
  }
  void clear();
};

class CsvLineParser {
 public:
  // Starts reading lines [firstLine, lines.count()) of `lines`; column j of
  // a line is converted when columnTypes[j] is ftDate or ftDateTime. The
  // lines and the format settings must stay as they are while the parser
  // lives.
  CsvLineParser(const StringList& lines, int firstLine, std::vector<FieldType> columnTypes);
  // Stops the second thread, wherever it is, and waits for it.
  ~CsvLineParser();
  CsvLineParser(const CsvLineParser&) = delete;
  CsvLineParser& operator=(const CsvLineParser&) = delete;

  // The next batch of lines, in file order; none after the last line or
  // after the batch with a failure.
  ParsedBatch* next() { return queue_.next(); }
  // The caller is done with the batch: it takes more lines.
  void done(ParsedBatch* batch) { queue_.giveBack(batch); }

 private:
  void run();
  // Reads one line into the batch; throws what reading it raised, with
  // failedValue set when a value did not read.
  void readLine(std::string_view line, ParsedBatch& batch);

  const StringList& lines_;
  const int firstLine_;
  const std::vector<FieldType> columnTypes_;
  BatchQueue<ParsedBatch> queue_;
  // The second thread's own: the buffers of one line serve the next.
  std::string line_;
  StringList items_;
  std::thread thread_;
};

}  // namespace morvel
