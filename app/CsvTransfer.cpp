// CSV import and export over the viewer's table; see CsvTransfer.h.
#include "app/CsvTransfer.h"

#include <sys/stat.h>

#include <vector>

#include "base/FileReplace.h"
#include "base/Format.h"
#include "base/StringList.h"
#include "platform/PlatformServices.h"
#include "status/ProgressBar.h"
#include "status/StatusPane.h"
#include "table/EngineTable.h"

namespace morvel {

namespace {

constexpr int kTextColumnSize = 100;
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
  if (table_.fieldDefs().find(name)) {
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
    defineField(fieldNameFor(headerName, blanks_), ftString, kTextColumnSize);
  }
}

void CsvTransfer::importLines(const std::string& sourceFileName) {
  StringList fileLines;
  StringList headerNames;
  StringList lineItems;
  lineIndex_ = -1;
  blanks_.reset();
  DisplayReset reset(display_);

  // Only a plain file is read: a device or a pipe could block the window
  // or never end.
  struct stat st {};
  if (::stat(sourceFileName.c_str(), &st) == 0 && !S_ISREG(st.st_mode)) {
    throw FileOpenError(sourceFileName);
  }
  fileLines.loadFromFile(sourceFileName);
  if (fileLines.count() == 0) return;  // an empty file: no table

  showProgress(display_, "Loading ...", fileLines.count());
  std::string line;
  normaliseLine(fileLines.item(0), line);
  headerNames.setCommaText(line);
  headerNames.insert(0, "ID");

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
    normaliseLine(fileLines.item(1), line);
    lineItems.setCommaText(line);
    formatSettings().centuryWindow = kImportCenturyWindow;
    for (int i = 1; i < headerNames.count(); ++i) {
      defineColumn(headerNames.item(i), lineItems.item(i - 1));
    }
    table_.indexDefs().clear();
    table_.indexDefs().defineIndex("", "ID", ixPrimary);
    table_.buildTable();
    table_.open();

    Field* const id = table_.field(0);
    const Variant null = Variant::null();
    for (lineIndex_ = 1; lineIndex_ < fileLines.count(); ++lineIndex_) {
      normaliseLine(fileLines.item(lineIndex_), line);
      lineItems.setCommaText(line);
      table_.insertNew();
      id->setVariantValue(null);
      const auto items = lineItems.items();
      for (std::size_t j = 0; j < items.size(); ++j) {
        Field* const field = table_.field(static_cast<int>(j) + 1);
        if (!field) throw ListError::indexOutOfBounds(static_cast<std::int64_t>(j) + 1);
        field->setAsText(items[j]);
      }
      table_.postRecord();
      display_.progress.setPartsComplete(lineIndex_);
    }

    display_.status.setCaption("Redrawing screen ...");
    display_.progress.setVisible(false);
    display_.services.processMessages();
  } catch (...) {
    // The record being stored when the import stopped is not kept.
    if (table_.state() == stInsert) table_.cancelChanges();
    throw;
  }
}

void CsvTransfer::exportLines(const std::string& targetFileName) {
  lineIndex_ = -1;
  blanks_.reset();
  DisplayReset reset(display_);

  // The lines go straight into the file's text, which is written in one
  // piece; one record's values are joined in place rather than collected
  // in a list first, so a million records make no million small lists.
  std::string out;
  {
    // Resumed once the file is written, or when writing it fails.
    SuspendedLinks suspended(table_);
    if (table_.active() && table_.recordTotal() > 0) {
      const int total = table_.recordTotal();
      showProgress(display_, "Saving ...", total);
      StringList headerNames;
      const FieldDefs& defs = table_.fieldDefs();
      for (int p = 1; p < defs.count(); ++p) headerNames.append(defs.item(p)->name());
      out = headerNames.commaText();
      out += kLineEnd;

      std::vector<Field*> fields;
      for (int j = 0; j < headerNames.count(); ++j) {
        Field* const field = table_.field(j + 1);
        if (!field) throw ListError::indexOutOfBounds(j + 1);
        fields.push_back(field);
      }
      // The walk leaves the table where the user was: the grid, told of the
      // change when the links resume, then keeps its rows and its focus.
      const std::string userRecord = table_.positionMark();
      std::string text;
      for (table_.goFirst(); !table_.atEnd(); table_.goNext()) {
        if (fields.size() == 1) {
          fields[0]->getText(text);
          if (text.empty()) {
            out += "\"\"";  // a lone empty value must still make a line
          } else {
            appendCommaItem(out, text);
          }
        } else {
          for (std::size_t j = 0; j < fields.size(); ++j) {
            if (j > 0) out += ',';
            fields[j]->getText(text);
            appendCommaItem(out, text);
          }
        }
        out += kLineEnd;
        display_.progress.advanceOnePart();
      }
      table_.goToMark(userRecord);
    }
    replaceFileContents(targetFileName, out);
  }
}

void appendCommaItem(std::string& out, std::string_view item) {
  bool quoted = false;
  for (const char ch : item) {
    const unsigned char c = static_cast<unsigned char>(ch);
    if ((c >= 1 && c <= 32) || c == '"' || c == ',') {
      quoted = true;
      break;
    }
  }
  if (!quoted) {
    out += item;
    return;
  }
  out += '"';
  for (const char c : item) {
    out += c;
    if (c == '"') out += '"';
  }
  out += '"';
}

}  // namespace morvel
