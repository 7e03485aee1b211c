// Saving the viewer's table as CSV lines (CsvTransfer::exportLines). Walking
// the records and writing their lines run side by side: this thread takes
// each record's values out of the table (which serves one thread), and a
// second thread turns them into comma text, formatting the dates, and
// writes the file. Batches of records pass between the two.
#include <array>
#include <cstdint>
#include <cstring>
#include <exception>
#include <string>
#include <thread>
#include <vector>

#include "app/CsvTransfer.h"
#include "base/BatchQueue.h"
#include "base/DateText.h"
#include "base/FileReplace.h"
#include "base/ScopeGuard.h"
#include "base/StringList.h"
#include "status/ProgressBar.h"
#include "status/StatusPane.h"
#include "table/EngineTable.h"
#include "table/FieldPlace.h"

namespace morvel {

namespace {

constexpr std::string_view kLineEnd = "\r\n";
// How a date-time is saved (see LineWriter).
constexpr std::string_view kDateTimeFormat = "ddddd tt";

// A value as the walk takes it from a record: a text, copied (a record
// lives only while it is visited), or a date or date-time whose text the
// writer makes.
enum class ValueKind : std::uint8_t { text, date, dateTime };
struct TakenValue {
  ValueKind kind = ValueKind::text;
  std::uint32_t offset = 0;  // a text's place in the batch's texts
  std::uint32_t length = 0;
  double date = 0;
};

// The values of a run of records, record after record, each record's in
// field order.
struct RecordBatch {
  std::string texts;
  std::vector<TakenValue> values;
  void clear() {
    texts.clear();
    values.clear();
  }
};

// Records per batch: enough that handing a batch over costs nothing beside
// its records, few enough that the two threads start together.
constexpr std::size_t kBatchRecords = 4096;

// Takes the values out of the records the walk hands out. What each field
// is and where it lies in the records is found once per save, so that a
// value costs no more than reading it where it lies.
class ValueReader {
 public:
  explicit ValueReader(const std::vector<const Field*>& fields) {
    takers_.reserve(fields.size());
    for (const Field* field : fields) takers_.push_back(Taker{*field, field->placeInRecords()});
    // Making a text of a date or a date-time costs more than anything else
    // in a line. The writer makes the dates' and the first date-time
    // column's, the walk the other date-time columns', so that with the
    // columns files mostly have the two threads take about as long.
    for (Taker& taker : takers_) {
      if (taker.kind == Kind::dateTime) {
        taker.kind = Kind::dateTimeValue;
        break;
      }
    }
  }

  void take(const std::uint8_t* record, RecordBatch& batch) {
    for (const Taker& taker : takers_) {
      const std::uint8_t* native = taker.place.in(record);
      switch (taker.kind) {
        case Kind::text: {
          const auto* chars = reinterpret_cast<const char*>(native);
          addText(chars ? std::string_view(chars, strnlen(chars, taker.size)) : std::string_view(),
                  batch);
          break;
        }
        case Kind::date:
        case Kind::dateTimeValue: {
          if (!native) {
            addText({}, batch);
            break;
          }
          TakenValue value;
          value.kind = taker.kind == Kind::date ? ValueKind::date : ValueKind::dateTime;
          value.date = static_cast<const DateTimeField&>(taker.field).valueOf(native);
          batch.values.push_back(value);
          break;
        }
        case Kind::dateTime:
          addText(native ? dateTimes_.text(
                               static_cast<const DateTimeField&>(taker.field).valueOf(native))
                         : std::string_view(),
                  batch);
          break;
        case Kind::other:
          taker.field.textIn(record, text_);
          addText(text_, batch);
          break;
      }
    }
  }

 private:
  // dateTimeValue: a date-time whose text the writer makes.
  enum class Kind : std::uint8_t { text, date, dateTime, dateTimeValue, other };
  struct Taker {
    Taker(const Field& f, FieldPlace p)
        : field(f), place(p), kind(kindOf(f.dataType())), size(std::size_t(f.size())) {}
    static Kind kindOf(FieldType type) {
      switch (type) {
        case ftString:
          return Kind::text;
        case ftDate:
          return Kind::date;
        case ftDateTime:
          return Kind::dateTime;
        default:
          return Kind::other;
      }
    }
    const Field& field;
    FieldPlace place;
    Kind kind;
    std::size_t size;
  };

  static void addText(std::string_view text, RecordBatch& batch) {
    TakenValue value;
    value.offset = static_cast<std::uint32_t>(batch.texts.size());
    value.length = static_cast<std::uint32_t>(text.size());
    batch.texts.append(text);
    batch.values.push_back(value);
  }

  std::vector<Taker> takers_;
  // A date-time always carries its time (see LineWriter).
  DateTimeColumnFormatter dateTimes_{kDateTimeFormat};
  std::string text_;
};

// Bytes from 1 to 32 (blanks), the quote and the comma make a value quoted.
constexpr std::array<bool, 256> kQuotedBytes = [] {
  std::array<bool, 256> quoted{};
  for (int c = 1; c <= 32; ++c) quoted[static_cast<std::size_t>(c)] = true;
  quoted['"'] = true;
  quoted[','] = true;
  return quoted;
}();

// Appends one value as the comma text of a text list writes it: quoted, with
// its quotes doubled, when it holds a blank (bytes 1 to 32), a quote or a
// comma; as it is otherwise (so an empty value adds nothing).
void appendCommaItem(FileWriter& out, std::string_view item) {
  std::size_t i = 0;
  while (i < item.size() && !kQuotedBytes[static_cast<unsigned char>(item[i])]) ++i;
  if (i == item.size()) {
    out.append(item);
    return;
  }
  out.append('"');
  for (;;) {
    const std::size_t quote = item.find('"', i);
    if (quote == std::string_view::npos) {
      out.append(item);
      break;
    }
    out.append(item.substr(0, quote + 1));
    out.append('"');
    item.remove_prefix(quote + 1);
    i = 0;
  }
  out.append('"');
}

// Writes the lines of batches. A value is saved as the field's own text,
// except that a date-time always carries its time: written as the date
// alone, a midnight value on the second line would make the column a date
// column when the file is read again, and the next value with a time would
// then stop that read (the program could not open the file it saved).
class LineWriter {
 public:
  explicit LineWriter(std::size_t fieldCount)
      : fieldCount_(fieldCount), dates_(formatSettings().dateFormatShort) {}

  void write(FileWriter& out, const RecordBatch& batch) {
    const std::size_t n = fieldCount_;
    for (std::size_t at = 0; at + n <= batch.values.size(); at += n) {
      if (n == 1) {
        const std::string_view value = text(batch, batch.values[at]);
        if (value.empty()) {
          out.append("\"\"");  // a lone empty value must still make a line
        } else {
          appendCommaItem(out, value);
        }
      } else {
        for (std::size_t j = 0; j < n; ++j) {
          if (j > 0) out.append(',');
          appendCommaItem(out, text(batch, batch.values[at + j]));
        }
      }
      out.append(kLineEnd);
    }
  }

 private:
  std::string_view text(const RecordBatch& batch, const TakenValue& value) {
    switch (value.kind) {
      case ValueKind::text:
        return std::string_view(batch.texts).substr(value.offset, value.length);
      case ValueKind::date:
        return dates_.text(value.date);
      case ValueKind::dateTime:
        return dateTimes_.text(value.date);
    }
    return {};
  }

  std::size_t fieldCount_;
  DateTimeColumnFormatter dates_;
  DateTimeColumnFormatter dateTimes_{kDateTimeFormat};
};

}  // namespace

void CsvTransfer::exportLines(const std::string& targetFileName) {
  lineIndex_ = -1;
  blanks_.reset();
  DisplayReset reset(display_);

  // The lines go to the file as they are made, never held whole. The walk
  // reads the records in place and never moves the table, so the links
  // have nothing to hear of: a notice when it ends would have the grid read
  // every record again whenever the table stands at its start.
  replaceFileContents(targetFileName, [&](FileWriter& out) {
    if (!table_.active() || table_.recordTotal() <= 0) return;
    showProgress(display_, "Saving ...", table_.recordTotal());
    StringList headerNames;
    const FieldDefs& defs = table_.fieldDefs();
    for (int p = 1; p < defs.count(); ++p) headerNames.append(defs.item(p)->name());
    out.append(headerNames.commaText());
    out.append(kLineEnd);

    std::vector<const Field*> fields;
    for (int j = 0; j < headerNames.count(); ++j) {
      const Field* const field = table_.field(j + 1);
      if (!field) throw ListError::indexOutOfBounds(j + 1);
      fields.push_back(field);
    }
    BatchQueue<RecordBatch> queue;
    LineWriter lines(fields.size());
    std::thread writer([&] {
      try {
        while (RecordBatch* batch = queue.next()) {
          lines.write(out, *batch);
          queue.giveBack(batch);
        }
      } catch (...) {
        queue.fail(std::current_exception());
      }
    });
    {
      // However the walk ends, the writer finishes before the file is
      // closed (or thrown away).
      const Finally join([&] {
        queue.close();
        writer.join();
      });
      ValueReader reader(fields);
      RecordBatch* batch = queue.spare();
      std::size_t taken = 0;
      table_.forEachRecord([&](const std::uint8_t* record) {
        reader.take(record, *batch);
        if (++taken == kBatchRecords) {
          queue.handOver(batch);
          batch = queue.spare();
          if (!batch) std::rethrow_exception(queue.failure());
          taken = 0;
        }
        display_.progress.advanceOnePart();
      });
      if (taken > 0) queue.handOver(batch);
    }
    if (std::exception_ptr failure = queue.failure()) std::rethrow_exception(failure);
  });
}

}  // namespace morvel
