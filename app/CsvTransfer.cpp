// CSV import and export over the viewer's table; see CsvTransfer.h.
#include "app/CsvTransfer.h"

#include <sys/stat.h>

#include <cstring>
#include <new>
#include <vector>

#include "app/CsvLineParser.h"
#include "base/DateText.h"
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
// Two-digit years in the file fall within the 100 years from 20 years
// before the current one.
constexpr int kImportCenturyWindow = 20;

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

}  // namespace

void showProgress(const TransferDisplay& display, std::string_view caption, int totalParts) {
  display.status.setCaption(caption);
  display.progress.setVisible(true);
  display.progress.setTotalParts(totalParts);
  display.progress.setPartsComplete(0);
  display.services.processMessages();
}

DisplayReset::~DisplayReset() {
  display_.status.setCaption("");
  display_.progress.setVisible(false);
}

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

    try {
      storeLines(fileLines, headerFields);
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

void CsvTransfer::storeLines(const StringList& fileLines, int headerFields) {
  // A second thread splits the lines and reads their dates; this one stores
  // their values, line after line, as they come.
  std::vector<FieldType> columnTypes;
  for (int j = 1; j < table_.fieldTotal(); ++j) columnTypes.push_back(table_.field(j)->dataType());
  CsvLineParser parser(fileLines, 1, columnTypes);
  ReadingChanges& changes = report_.changes;
  Field* const id = table_.field(0);
  const Variant null = Variant::null();
  while (ParsedBatch* batch = parser.next()) {
    for (std::size_t k = 0; k < batch->lines.size(); ++k) {
      lineIndex_ = batch->firstLine + static_cast<int>(k);
      stopLine_ = lineIndex_ + 1;
      const ParsedLine& line = batch->lines[k];
      if (line.quotesDropped) ++changes.quoteLines;
      const bool failing = lineIndex_ == batch->failedLine;
      if (failing && batch->failedValue < 0) std::rethrow_exception(batch->failure);
      table_.insertNew();
      id->setVariantValue(null);
      const auto values = batch->valuesOf(line);
      for (std::size_t j = 0; j < values.size(); ++j) {
        Field* const field = table_.field(static_cast<int>(j) + 1);
        if (!field) {
          stopReason_ = fieldCountReason(stopLine_, static_cast<int>(values.size()), headerFields);
          throw ListError::indexOutOfBounds(static_cast<std::int64_t>(j) + 1);
        }
        const std::string_view text = batch->text(values[j]);
        if (failing && static_cast<int>(j) == batch->failedValue) {
          try {
            std::rethrow_exception(batch->failure);
          } catch (const ConvertError&) {
            stopReason_ = valueReason(stopLine_, *field, text);
            throw;
          }
        }
        storeValue(*field, text, values[j].date);
      }
      table_.postRecord();
      display_.progress.setPartsComplete(lineIndex_);
    }
    if (batch->failure) {
      lineIndex_ = batch->failedLine;
      stopLine_ = lineIndex_ + 1;
      std::rethrow_exception(batch->failure);
    }
    parser.done(batch);
  }
  lineIndex_ = fileLines.count();
}

void CsvTransfer::storeValue(Field& field, std::string_view text, DateTime date) {
  const FieldType type = field.dataType();
  if (type == ftDate || type == ftDateTime) {
    // The parser read the date already; an empty text reads as none.
    if (text.empty()) {
      field.makeBlank();
    } else {
      static_cast<DateTimeField&>(field).setDateTimeValue(date);
    }
    return;
  }
  if (type == ftString && text.size() > kTextColumnSize && losesText(text)) {
    ++report_.changes.cutValues;
  }
  field.setAsText(text);
}

}  // namespace morvel
