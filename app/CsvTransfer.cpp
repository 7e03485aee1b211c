// CSV import and export over the viewer's table; see CsvTransfer.h.
#include "app/CsvTransfer.h"

#include <sys/stat.h>

#include <array>
#include <cstring>
#include <new>
#include <vector>

#include "base/DateText.h"
#include "base/DateTextMemo.h"
#include "base/FileReplace.h"
#include "base/Format.h"
#include "base/StringList.h"
#include "base/StringUtils.h"
#include "platform/PlatformServices.h"
#include "status/ProgressBar.h"
#include "status/StatusPane.h"
#include "table/EngineTable.h"
#include "table/engine/EngineError.h"
#include "table/engine/RecordLayout.h"

namespace morvel {

namespace {

constexpr std::size_t kTextColumnSize = 100;
constexpr std::string_view kLineEnd = "\r\n";
// Two-digit years in the file fall within the 100 years from 20 years
// before the current one.
constexpr int kImportCenturyWindow = 20;

// Clears the status text and hides the progress bar on every path.
class DisplayReset {
 public:
  explicit DisplayReset(const TransferDisplay& display) : display_(display) {}
  ~DisplayReset() {
    display_.status.setCaption("");
    display_.progress.setVisible(false);
  }
  DisplayReset(const DisplayReset&) = delete;
  DisplayReset& operator=(const DisplayReset&) = delete;

 private:
  const TransferDisplay& display_;
};

// The text each value is saved as: the field's own text, except that a
// date-time always carries its time. Written as the date alone, a midnight
// value on the second line would make the column a date column when the
// file is read again, and the next value with a time would then stop that
// read: the program could not open the file it saved. Text is taken from
// the record's bytes as they are, and the two date forms are read once for
// every value of a save.
class ValueTexts {
 public:
  ValueTexts() : dates_(formatSettings().dateFormatShort), dateTimes_("ddddd tt") {}

  // The value of a field in a record that forEachRecord handed out; the
  // view is into the record or into `text`.
  std::string_view of(const Field& field, const std::uint8_t* record, std::string& text) const {
    switch (field.dataType()) {
      case ftString: {
        const auto* chars = reinterpret_cast<const char*>(field.nativeIn(record));
        if (!chars) return {};
        return {chars, strnlen(chars, static_cast<std::size_t>(field.size()))};
      }
      case ftDate:
      case ftDateTime: {
        const std::uint8_t* native = field.nativeIn(record);
        if (!native) return {};
        const double value = static_cast<const DateTimeField&>(field).valueOf(native);
        if (field.dataType() == ftDate) {
          dayTexts_.text(value, text,
                         [this](double v, std::string& out) { dates_.format(out, v); });
        } else {
          dateTimes_.format(text, value);
        }
        return text;
      }
      default:
        field.textIn(record, text);
        return text;
    }
  }

 private:
  DateTimeFormatter dates_;
  DateTimeFormatter dateTimes_;
  // A date column repeats few days; each day's text is made once. One memo
  // serves every date column, as they share one format.
  mutable DateTextMemo dayTexts_;
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

// Whether a text column loses part of the value: the column keeps its first
// bytes and drops trailing spaces anyway, so only text past its size counts.
bool losesText(std::string_view value) {
  const std::size_t last = value.find_last_not_of(' ');
  return last != std::string_view::npos && last >= kTextColumnSize;
}

// --- Why an import stopped, in plain words -----------------------------------

std::string quoted(std::string_view text) {
  std::string out;
  out.reserve(text.size() + 2);
  out.append(1, '\'').append(text).append(1, '\'');
  return out;
}

std::string fieldCountReason(std::int64_t line, int fields, int headerFields) {
  return "Line " + groupedNumber(line) + " has " + countOf(fields, "field") + "; the header has " +
         groupedNumber(headerFields);
}

std::string duplicateNameReason(std::string_view taken, std::string_view name) {
  if (equalsIgnoringAsciiCase(taken, "ID")) {
    return "No column can be named " + quoted(name) + ": the record numbers take the name ID";
  }
  if (taken == name) return "Two columns are named " + quoted(name);
  return "Two columns are named " + quoted(taken) + " and " + quoted(name) +
         ": column names must differ in more than case";
}

// A refused name is one of these three, as the engine's naming rule has it.
std::string refusedNameReason(std::string_view trimmed) {
  constexpr std::size_t kMaxNameLength = 30;
  if (trimmed.size() > kMaxNameLength) {
    return "Column names can have at most 30 characters: " + quoted(trimmed);
  }
  const auto first = trimmed.empty() ? 0 : static_cast<unsigned char>(trimmed[0]);
  const bool letter = (first >= 'A' && first <= 'Z') || (first >= 'a' && first <= 'z') ||
                      first == '_' || (first >= 129 && first <= 254);
  if (!letter) return "Column names must start with a letter: " + quoted(trimmed);
  return "Two columns have the same name once spaces are trimmed: " + quoted(trimmed);
}

std::string tableRefusalReason(const EngineError& e, int headerFields) {
  if (e.code() == kInvalidFieldName) return refusedNameReason(lastEngineError().name);
  if (e.code() == kFieldLimits && headerFields >= kMaxFields) {
    return "The header has " + groupedNumber(headerFields) + " columns; at most " +
           groupedNumber(kMaxFields - 1) + " fit in a table";
  }
  return {};
}

// The order of day, month and year that this computer's short date gives,
// as in "day/month/year": the first of the letters d, y (or e) and m.
std::string dateOrderWords(std::string_view shortDateFormat) {
  for (const char c : shortDateFormat) {
    switch (c) {
      case 'd':
      case 'D':
        return "day/month/year";
      case 'y':
      case 'Y':
      case 'e':
      case 'E':
        return "year/month/day";
      case 'm':
      case 'M':
        return "month/day/year";
      default:
        break;
    }
  }
  return "month/day/year";
}

std::string valueReason(std::int64_t line, const Field& field, std::string_view value) {
  const char* what = field.dataType() == ftDate ? " is not a date" : " is not a date and time";
  return "Line " + groupedNumber(line) + ", column " + quoted(field.fieldName()) + ": " +
         quoted(value) + what + " in this computer's " +
         dateOrderWords(formatSettings().dateFormatShort) + " order";
}

std::string storeFailureReason(const std::exception& e, std::int64_t line) {
  const auto* engine = dynamic_cast<const EngineError*>(&e);
  if (engine && engine->code() == kTableFull) {
    return "The table is full: line " + groupedNumber(line) + " does not fit";
  }
  return "Line " + groupedNumber(line) + " could not be stored: " + e.what();
}

void showProgress(const TransferDisplay& display, std::string_view caption, int totalParts) {
  display.status.setCaption(caption);
  display.progress.setVisible(true);
  display.progress.setTotalParts(totalParts);
  display.progress.setPartsComplete(0);
  display.services.processMessages();
}

}  // namespace

CsvTransfer::CsvTransfer(EngineTable& table, TransferDisplay display)
    : table_(table), display_(display) {}

void CsvTransfer::defineField(std::string_view name, FieldType type, int size) {
  // Field definitions are named components: a second one of the same name
  // (ignoring case) is refused before the definitions see it.
  if (const FieldDef* taken = table_.fieldDefs().find(name)) {
    stopReason_ = duplicateNameReason(taken->name(), name);
    throw ComponentError(formatMessage("A component named %s already exists", name));
  }
  table_.fieldDefs().defineField(name, type, size, false);
}

void CsvTransfer::defineColumn(std::string_view headerName, std::string_view sample) {
  try {
    const ColumnType column = columnTypeFor(sample);
    defineField(fieldNameFor(headerName, blanks_), column.type, column.size);
  } catch (const Exception&) {
    // A sample shaped like a date that does not read, or a refused name:
    // one more try as a text column, under a name taken anew.
    defineField(fieldNameFor(headerName, blanks_), ftString, static_cast<int>(kTextColumnSize));
  }
}

void CsvTransfer::importLines(const std::string& sourceFileName) {
  report_ = {};
  stopLine_ = 0;
  stopReason_.clear();
  try {
    readLines(sourceFileName);
  } catch (const std::exception& e) {
    ReadingStop& stop = report_.stop;
    stop.stopped = true;
    stop.line = stopLine_;
    stop.recordsLoaded = table_.active() ? table_.recordTotal() : 0;
    stop.reason = stopReason_.empty() ? std::string(e.what()) : stopReason_;
    throw;
  }
}

void CsvTransfer::readLines(const std::string& sourceFileName) {
  StringList fileLines;
  StringList headerNames;
  StringList lineItems;
  lineIndex_ = -1;
  blanks_.reset();
  DisplayReset reset(display_);
  ReadingChanges& changes = report_.changes;

  // Only a plain file is read: a device or a pipe could block the window
  // or never end.
  struct stat st {};
  stopReason_ = "The file could not be read";
  if (::stat(sourceFileName.c_str(), &st) == 0 && !S_ISREG(st.st_mode)) {
    throw FileOpenError(sourceFileName);
  }
  fileLines.loadFromFile(sourceFileName);
  stopReason_.clear();
  changes.endedAtNul = fileLines.endedAtNul();
  changes.linesRead = fileLines.count();
  changes.cutSize = static_cast<int>(kTextColumnSize);
  if (fileLines.count() == 0) return;  // an empty file: no table

  showProgress(display_, "Loading ...", fileLines.count());
  std::string line;
  stopLine_ = 1;
  if (quotesDropped(fileLines.item(0))) ++changes.quoteLines;
  normaliseLine(fileLines.item(0), line);
  headerNames.setCommaText(line);
  headerNames.insert(0, "ID");
  const int headerFields = headerNames.count() - 1;

  table_.close();
  table_.setTableName("memory.dat");
  table_.setExclusive(true);
  // Resumed at the end of the block, also when the import fails, so the
  // grid never stays deaf to the table.
  SuspendedLinks suspended(table_);
  try {
    FieldDefs& defs = table_.fieldDefs();
    defs.clear();
    defs.defineField("ID", ftAutoInc, 0, true);
    if (fileLines.count() < 2) {
      stopLine_ = 2;
      stopReason_ = "Line 2 is missing: the columns take their types from it";
    }
    normaliseLine(fileLines.item(1), line);
    lineItems.setCommaText(line);
    formatSettings().centuryWindow = kImportCenturyWindow;
    for (int i = 1; i < headerNames.count(); ++i) {
      if (i > lineItems.count()) {
        stopLine_ = 2;
        stopReason_ = fieldCountReason(2, lineItems.count(), headerFields);
      }
      defineColumn(headerNames.item(i), lineItems.item(i - 1));
    }
    // A name refused once and then taken on the second try left a reason.
    stopReason_.clear();
    table_.indexDefs().clear();
    table_.indexDefs().defineIndex("", "ID", ixPrimary);
    try {
      table_.buildTable();
    } catch (const EngineError& e) {
      stopReason_ = tableRefusalReason(e, headerFields);
      throw;
    }
    table_.open();

    Field* const id = table_.field(0);
    const Variant null = Variant::null();
    try {
      for (lineIndex_ = 1; lineIndex_ < fileLines.count(); ++lineIndex_) {
        stopLine_ = lineIndex_ + 1;
        const std::string_view text = fileLines.item(lineIndex_);
        if (quotesDropped(text)) ++changes.quoteLines;
        normaliseLine(text, line);
        lineItems.setCommaText(line);
        table_.insertNew();
        id->setVariantValue(null);
        const auto items = lineItems.items();
        for (std::size_t j = 0; j < items.size(); ++j) {
          Field* const field = table_.field(static_cast<int>(j) + 1);
          if (!field) {
            stopReason_ = fieldCountReason(stopLine_, lineItems.count(), headerFields);
            throw ListError::indexOutOfBounds(static_cast<std::int64_t>(j) + 1);
          }
          if (items[j].size() > kTextColumnSize && field->dataType() == ftString &&
              losesText(items[j])) {
            ++changes.cutValues;
          }
          try {
            field->setAsText(items[j]);
          } catch (const ConvertError&) {
            stopReason_ = valueReason(stopLine_, *field, items[j]);
            throw;
          }
        }
        table_.postRecord();
        display_.progress.setPartsComplete(lineIndex_);
      }
    } catch (const std::exception& e) {
      if (stopReason_.empty()) stopReason_ = storeFailureReason(e, stopLine_);
      throw;
    }
    stopLine_ = 0;
    // The grid reads the records when the links resume: the file's lines
    // are not needed any more and would only add to what it holds then.
    fileLines.clear();

    display_.status.setCaption("Redrawing screen ...");
    display_.progress.setVisible(false);
    display_.services.processMessages();
  } catch (...) {
    // The record being stored when the import stopped is not kept.
    if (table_.state() == stInsert) table_.cancelChanges();
    fileLines.clear();
    throw;
  }
}

void CsvTransfer::exportLines(const std::string& targetFileName) {
  lineIndex_ = -1;
  blanks_.reset();
  DisplayReset reset(display_);

  // The lines go straight to the file as they are made; one record's values
  // are joined in place rather than collected in a list first, so a million
  // records make no million small lists and the file's text is never held
  // whole.
  // The walk reads the records in place and never moves the table, so the
  // links have nothing to hear of: a notice when it ends would have the
  // grid read every record again whenever the table stands at its start.
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
    const ValueTexts texts;
    std::string text;
    table_.forEachRecord([&](const std::uint8_t* record) {
      if (fields.size() == 1) {
        const std::string_view value = texts.of(*fields[0], record, text);
        if (value.empty()) {
          out.append("\"\"");  // a lone empty value must still make a line
        } else {
          appendCommaItem(out, value);
        }
      } else {
        for (std::size_t j = 0; j < fields.size(); ++j) {
          if (j > 0) out.append(',');
          appendCommaItem(out, texts.of(*fields[j], record, text));
        }
      }
      out.append(kLineEnd);
      display_.progress.advanceOnePart();
    });
  });
}

}  // namespace morvel
