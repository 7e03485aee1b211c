// Arbitrary bytes as a CSV file through the viewer's whole import and
// export, as the open and save commands run them but with no window (a
// status pane, a progress bar and fake platform services take the
// display's place): import into the viewer's table, the table's integrity
// check, and, when the import succeeded, export, import of that export and
// export again. Besides crashes, sanitizer reports and exceptions other
// than the program's own, these are findings:
// - the table damaged, or left inserting or with its links suspended;
// - after a successful import, a record count other than one per line from
//   the second on, or a text field other than the line's field as the
//   table stores text (checked on lines whose quote characters pair up;
//   how an open quote at the end of a line reads is the reading rules'
//   business, fuzzed in fuzz_csv_reading);
// - two exports that differ although the first one imports again with the
//   same column types;
// - any file left in the scratch folder besides the three named below.
#include <dirent.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

#include "app/CsvTransfer.h"
#include "base/Exception.h"
#include "base/FormatSettings.h"
#include "platform/fake/FakeServices.h"
#include "status/ProgressBar.h"
#include "status/StatusPane.h"
#include "table/EngineTable.h"
#include "table/engine/IntegrityCheck.h"

using namespace morvel;

namespace {

constexpr int kTextSize = 100;

struct Folder {
  std::string path;
  std::string input, first, second;
};

// The scratch folder; removeFolder takes it away when the run ends.
const Folder& folder() {
  static const Folder f = [] {
    Folder made;
    // A memory-backed folder where there is one: every export flushes its
    // file to disk, which on a real disk slows the run to a crawl.
    for (const char* base : {"/dev/shm", "/tmp"}) {
      std::string pattern = std::string(base) + "/morvel-fuzz-XXXXXX";
      if (::mkdtemp(pattern.data())) {
        made.path = pattern;
        break;
      }
    }
    if (made.path.empty()) std::abort();
    made.input = made.path + "/in.csv";
    made.first = made.path + "/first.csv";
    made.second = made.path + "/second.csv";
    return made;
  }();
  return f;
}

void removeFolder() {
  const Folder& done = folder();
  for (const std::string* file : {&done.input, &done.first, &done.second}) {
    ::unlink(file->c_str());
  }
  ::rmdir(done.path.c_str());
}

void writeBytes(const std::string& path, std::string_view bytes) {
  FILE* f = std::fopen(path.c_str(), "wb");
  if (!f) std::abort();
  if (!bytes.empty() && std::fwrite(bytes.data(), 1, bytes.size(), f) != bytes.size()) std::abort();
  std::fclose(f);
}

std::string readBytes(const std::string& path) {
  std::string out;
  FILE* f = std::fopen(path.c_str(), "rb");
  if (!f) __builtin_trap();  // an export that made no file
  char chunk[4096];
  std::size_t n;
  while ((n = std::fread(chunk, 1, sizeof chunk, f)) > 0) out.append(chunk, n);
  std::fclose(f);
  return out;
}

// Only the three files the run writes may be in the folder.
void checkNothingLeftBehind() {
  DIR* dir = ::opendir(folder().path.c_str());
  if (!dir) std::abort();
  while (const dirent* e = ::readdir(dir)) {
    const std::string_view name = e->d_name;
    if (name == "." || name == ".." || name == "in.csv" || name == "first.csv" ||
        name == "second.csv") {
      continue;
    }
    __builtin_trap();
  }
  ::closedir(dir);
}

// The file's lines as the text list splits them: CR LF, CR and LF end a
// line, a NUL ends the text.
std::vector<std::string_view> splitLines(std::string_view text) {
  text = text.substr(0, text.find('\0'));
  std::vector<std::string_view> lines;
  std::size_t at = 0;
  while (at < text.size()) {
    std::size_t end = text.find_first_of("\r\n", at);
    if (end == std::string_view::npos) end = text.size();
    lines.push_back(text.substr(at, end - at));
    at = end;
    if (at < text.size() && text[at] == '\r') ++at;
    if (at < text.size() && text[at] == '\n') ++at;
  }
  return lines;
}

// The fields of a line whose quote characters pair up: a quote switches
// quoting on and off and is dropped, a comma outside quotes separates.
std::vector<std::string> fieldsOf(std::string_view line) {
  std::vector<std::string> fields(1);
  bool quoted = false;
  for (const char c : line) {
    if (c == '"') {
      quoted = !quoted;
    } else if (c == ',' && !quoted) {
      fields.emplace_back();
    } else {
      fields.back() += c;
    }
  }
  return fields;
}

bool quotesPairUp(std::string_view line) {
  std::size_t quotes = 0;
  for (const char c : line) quotes += c == '"';
  return quotes % 2 == 0;
}

// A text field holds at most kTextSize bytes of the value (a cut never
// splits a character, so it may stop up to three bytes short), without
// trailing spaces.
bool storedAsText(std::string_view value, std::string_view stored) {
  const auto trimmed = [](std::string_view s) {
    while (!s.empty() && s.back() == ' ') s.remove_suffix(1);
    return s;
  };
  if (stored.size() > kTextSize || value.substr(0, stored.size()) != stored) return false;
  if (!stored.empty() && stored.back() == ' ') return false;
  if (value.size() <= kTextSize) return stored == trimmed(value);
  return stored.size() >= trimmed(value.substr(0, kTextSize - 3)).size();
}

class Viewer {
 public:
  Viewer() {
    table_.setInMemory(true);
    table_.setExclusive(true);
    table_.setTableName("memory.dat");
    progress_.setVisible(false);
  }
  // The main window's CloseTable: close, drop, ignore what the drop says.
  void closeTable() {
    table_.close();
    try {
      table_.dropTable();
    } catch (const Exception&) {
    }
  }

  // An import as the open command runs it; false when it stopped with a
  // failure of the program's own.
  bool import(const std::string& path) {
    closeTable();
    bool ok = true;
    try {
      transfer_.importLines(path);
    } catch (const Exception&) {
      ok = false;
    }
    checkAtRest();
    return ok;
  }

  std::string exportTo(const std::string& path) {
    transfer_.exportLines(path);
    checkAtRest();
    return readBytes(path);
  }

  std::vector<FieldType> columnTypes() const {
    std::vector<FieldType> types;
    for (int i = 0; i < table_.fieldTotal(); ++i) types.push_back(table_.field(i)->dataType());
    return types;
  }

  EngineTable& table() { return table_; }

 private:
  void checkAtRest() {
    if (table_.linksSuspended() || table_.state() == stInsert) __builtin_trap();
    if (!status_.caption().empty() || progress_.visible()) __builtin_trap();
    if (table_.active() && !checkTableIntegrity(table_.cursor()->table()).empty()) {
      __builtin_trap();
    }
  }

  EngineTable table_{"tblData"};
  StatusPane status_;
  ProgressBar progress_;
  FakeServices services_;
  CsvTransfer transfer_{table_, {status_, progress_, services_}};
};

// Made once and never destroyed: at exit the engine's process-wide lists
// may already be gone.
Viewer& viewer() {
  static Viewer* v = new Viewer;
  return *v;
}

// The imported table against the file's lines.
void checkImported(std::string_view input) {
  EngineTable& table = viewer().table();
  const std::vector<std::string_view> lines = splitLines(input);
  if (lines.empty()) {
    if (table.active()) __builtin_trap();  // a file without lines makes no table
    return;
  }
  if (lines.size() < 2 || !table.active()) __builtin_trap();
  if (table.recordTotal() != static_cast<int>(lines.size()) - 1) __builtin_trap();
  std::size_t line = 1;
  for (table.goFirst(); !table.atEnd(); table.goNext(), ++line) {
    if (line >= lines.size()) __builtin_trap();
    if (table.field(0)->asText() != std::to_string(line)) __builtin_trap();
    if (!quotesPairUp(lines[line])) continue;
    const std::vector<std::string> fields = fieldsOf(lines[line]);
    if (static_cast<int>(fields.size()) > table.fieldTotal() - 1) __builtin_trap();
    for (int j = 1; j < table.fieldTotal(); ++j) {
      const Field& f = *table.field(j);
      const std::string value = static_cast<std::size_t>(j) <= fields.size()
                                    ? fields[static_cast<std::size_t>(j - 1)]
                                    : "";
      if (f.dataType() == ftString) {
        if (!storedAsText(value, f.asText())) __builtin_trap();
      } else if (value.empty() != f.isBlank()) {
        __builtin_trap();  // a date is blank exactly when its field is empty
      }
    }
  }
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  FormatSettings& s = formatSettings();
  s.dateFormatShort = "dd/mm/yy";
  s.dateSep = '/';
  s.timeSep = ':';
  s.buildTimeFormats(ClockStyle{true, false, false});
  s.clock = std::make_shared<FixedYearClock>(2024);
  // Registered once the folder exists, so that it runs before the folder's
  // names are destroyed at exit.
  folder();
  std::atexit(removeFolder);
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view input(reinterpret_cast<const char*>(data), size);
  const Folder& f = folder();
  writeBytes(f.input, input);
  Viewer& v = viewer();
  if (v.import(f.input)) {
    checkImported(input);
    const std::string first = v.exportTo(f.first);
    const std::vector<FieldType> types = v.columnTypes();
    if (v.import(f.first)) {
      const std::string second = v.exportTo(f.second);
      if (v.columnTypes() == types && second != first) __builtin_trap();
    }
  } else {
    // What a failed import left can still be saved.
    v.exportTo(f.first);
  }
  v.closeTable();
  checkNothingLeftBehind();
  return 0;
}
