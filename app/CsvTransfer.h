// Reading a CSV file into the viewer's table and writing the table back out
// as one. Both run on the user-interface thread and show their progress in
// the status pane and the progress bar; neither needs the grid. (The export
// writes its lines on a second thread of its own.)
#pragma once

#include <string>
#include <string_view>

#include "app/CsvReading.h"
#include "app/ReadingReport.h"
#include "base/DateTime.h"
#include "base/Exception.h"

namespace morvel {

class EngineTable;
class Field;
class PlatformServices;
class ProgressBar;
class StatusPane;
class StringList;

// "A component named %s already exists": two header fields give the same
// column name.
class ComponentError : public Exception {
 public:
  using Exception::Exception;
};

// Where an import or export shows how far it is, and the platform it asks
// to paint that (by processing pending messages).
struct TransferDisplay {
  StatusPane& status;
  ProgressBar& progress;
  PlatformServices& services;
};

// Shows the caption in the status pane and an empty progress bar of
// `totalParts` parts, and paints them.
void showProgress(const TransferDisplay& display, std::string_view caption, int totalParts);

// Clears the status text and hides the progress bar when the scope ends,
// on every path.
class DisplayReset {
 public:
  explicit DisplayReset(const TransferDisplay& display) : display_(display) {}
  ~DisplayReset();
  DisplayReset(const DisplayReset&) = delete;
  DisplayReset& operator=(const DisplayReset&) = delete;

 private:
  const TransferDisplay& display_;
};

class CsvTransfer {
 public:
  // The table is the viewer's one table ("tblData"); the import defines,
  // builds and fills it, the export reads it. Both references must outlive
  // the transfer.
  CsvTransfer(EngineTable& table, TransferDisplay display);

  // Reads every line of the file into a new table "memory.dat": column
  // names from the first line, types from the second, one record per line
  // from the second on, numbered by an automatic "ID" field in front. An
  // empty file creates no table. Raises on the first failure (the file
  // cannot be read, line 2 is missing or short, a column name is taken or
  // refused, a line has more fields than the header, a date does not read);
  // the records stored before it stay. The table's links are suspended from
  // before the table is defined to the end, on every path, and the status
  // pane and progress bar are cleared again on every path.
  void importLines(const std::string& sourceFileName);

  // Writes the header (without "ID") and every record in "ID" order as comma
  // text, each line ending in CR LF; with no open table or no records the
  // file is still made, and empty. The table is back on the record it was on
  // when the links resume, so a grid bound to it keeps its rows and focus.
  // The lines go to a temporary file as they are made, which replaces the
  // target only once it is whole on disk (replaceFileContents), so a failure
  // leaves any file of that name as it was.
  void exportLines(const std::string& targetFileName);

  // The index of the file line being stored (-1 before the first, and at
  // the start of every run); after a failed import, the failing line.
  int lineIndex() const { return lineIndex_; }

  // What the last import changed in the data while reading it, and where
  // and why it stopped if it did; cleared at the start of every import.
  const ReadingReport& readingReport() const { return report_; }

 private:
  void readLines(const std::string& sourceFileName);
  // Stores a record for every line from the second on, in the open table.
  void storeLines(const StringList& fileLines, int headerFields);
  // Sets one value of the record being stored; `date` is what a date or
  // date-time column's text reads as.
  void storeValue(Field& field, std::string_view text, DateTime date);
  // Defines the column of one header field, typed by its line 2 field.
  void defineColumn(std::string_view headerName, std::string_view sample);
  void defineField(std::string_view name, FieldType type, int size);

  EngineTable& table_;
  TransferDisplay display_;
  BlankCounter blanks_;
  int lineIndex_ = -1;
  ReadingReport report_;
  // While reading: the 1-based line being read, and the plain reason for a
  // failure the reading has just met (empty: the failure's own message).
  std::int64_t stopLine_ = 0;
  std::string stopReason_;
};

}  // namespace morvel
