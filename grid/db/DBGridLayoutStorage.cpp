// Keeping the data-bound grid's column layout between runs, in a small
// text file of our own that this file alone reads and writes:
//
//   [Section]                one section per grid
//   Columns=N
//   [Section.Column0]        one section per column, in column order
//   FieldName=Name           backslash, CR and LF escaped as \\, \r, \n
//   Index=0                  position in the column list
//   Width=100
//   Visible=1                1 or 0
//   Sorted=0                 0 none, 1 descending, 2 ascending
//   GroupIndex=-1            -1 when not grouped
//
// Other sections of the file (other grids) are kept as they are when the
// file is rewritten. The file is replaced whole (a temporary file renamed
// over it), so a failed write leaves the old layout intact.
#include <algorithm>
#include <charconv>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <optional>

#include "base/FileReplace.h"
#include "base/ScopeGuard.h"
#include "base/WholeFile.h"
#include "grid/db/CustomDBGrid.h"

namespace morvel {
namespace {

// A layout file is a few hundred bytes a column; anything far larger is
// not one of ours and is not read.
constexpr std::size_t kMaxLayoutFileSize = 1 << 20;
// Widths and column counts beyond these come from a damaged file.
constexpr int kMaxStoredWidth = 100000;
constexpr int kMaxStoredColumns = 10000;

struct IniSection {
  std::string name;
  std::vector<std::pair<std::string, std::string>> entries;

  const std::string* find(std::string_view key) const {
    for (const auto& [k, v] : entries) {
      if (k == key) return &v;
    }
    return nullptr;
  }
};

std::string_view trimmed(std::string_view s) {
  while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
  while (!s.empty() && (s.back() == ' ' || s.back() == '\t' || s.back() == '\r')) {
    s.remove_suffix(1);
  }
  return s;
}

// Lines before the first section and lines without "=" are dropped.
std::vector<IniSection> parseIni(std::string_view text) {
  std::vector<IniSection> sections;
  while (!text.empty()) {
    const std::size_t end = text.find('\n');
    const std::string_view line = trimmed(text.substr(0, end));
    text = end == std::string_view::npos ? std::string_view() : text.substr(end + 1);
    if (line.size() >= 2 && line.front() == '[' && line.back() == ']') {
      sections.push_back({std::string(line.substr(1, line.size() - 2)), {}});
      continue;
    }
    const std::size_t eq = line.find('=');
    if (sections.empty() || eq == std::string_view::npos) continue;
    sections.back().entries.emplace_back(std::string(trimmed(line.substr(0, eq))),
                                         std::string(line.substr(eq + 1)));
  }
  return sections;
}

std::string formatIni(const std::vector<IniSection>& sections) {
  std::string out;
  for (const IniSection& section : sections) {
    out += '[' + section.name + "]\n";
    for (const auto& [key, value] : section.entries) out += key + '=' + value + '\n';
  }
  return out;
}

std::string escaped(std::string_view text) {
  std::string out;
  for (char c : text) {
    if (c == '\\') {
      out += "\\\\";
    } else if (c == '\n') {
      out += "\\n";
    } else if (c == '\r') {
      out += "\\r";
    } else {
      out += c;
    }
  }
  return out;
}

std::string unescaped(std::string_view text) {
  std::string out;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] != '\\' || i + 1 == text.size()) {
      out += text[i];
      continue;
    }
    const char next = text[++i];
    out += next == 'n' ? '\n' : next == 'r' ? '\r' : next;
  }
  return out;
}

std::optional<int> parseInt(const std::string* text, int low, int high) {
  if (!text) return std::nullopt;
  int value = 0;
  const char* first = text->data();
  const char* last = first + text->size();
  const auto [end, error] = std::from_chars(first, last, value);
  if (error != std::errc() || end != last || value < low || value > high) return std::nullopt;
  return value;
}

// The sections of a file, or none when it is missing, unreadable or too
// large to be a layout.
std::vector<IniSection> readIniFile(const std::string& fileName) {
  try {
    const FileContent content = readWholeFile(fileName);
    if (content.size > kMaxLayoutFileSize) return {};
    return parseIni(content.view());
  } catch (const Exception&) {
    return {};
  }
}

// The grid's head section and its column sections.
bool ownSection(std::string_view name, std::string_view section) {
  if (name == section) return true;
  const std::string prefix = std::string(section) + ".Column";
  if (!name.starts_with(prefix) || name.size() == prefix.size()) return false;
  name.remove_prefix(prefix.size());
  return std::all_of(name.begin(), name.end(), [](char c) { return c >= '0' && c <= '9'; });
}

// What a layout entry asks of one column.
struct StoredColumn {
  std::string fieldName;
  int index = 0;
  std::optional<int> width;
  std::optional<int> visible;
  std::optional<int> sorted;
  std::optional<int> groupIndex;
};

// The grid's entries in a file, or none when the file holds no layout
// for the section. Entries without a field name or position are skipped,
// and so are values out of their range.
std::optional<std::vector<StoredColumn>> readStoredLayout(const std::string& fileName,
                                                          const std::string& section) {
  const std::vector<IniSection> sections = readIniFile(fileName);
  std::map<std::string, const IniSection*, std::less<>> byName;
  for (const IniSection& s : sections) byName.emplace(s.name, &s);
  const auto head = byName.find(section);
  if (head == byName.end()) return std::nullopt;
  const std::optional<int> count = parseInt(head->second->find("Columns"), 0, kMaxStoredColumns);
  if (!count) return std::nullopt;
  std::vector<StoredColumn> stored;
  for (int i = 0; i < *count; ++i) {
    const auto entry = byName.find(section + ".Column" + std::to_string(i));
    if (entry == byName.end()) continue;
    const IniSection& s = *entry->second;
    const std::string* field = s.find("FieldName");
    const std::optional<int> index = parseInt(s.find("Index"), 0, kMaxStoredColumns);
    if (!field || !index) continue;
    stored.push_back({unescaped(*field), *index, parseInt(s.find("Width"), 0, kMaxStoredWidth),
                      parseInt(s.find("Visible"), 0, 1), parseInt(s.find("Sorted"), 0, 2),
                      parseInt(s.find("GroupIndex"), -1, kMaxStoredColumns)});
  }
  return stored;
}

}  // namespace

std::string CustomDBGrid::layoutSection() const {
  if (!iniSectionName_.empty()) return iniSectionName_;
  return name().empty() ? std::string("Grid") : name();
}

std::string CustomDBGrid::registryFileName() const {
  // Each part of the path becomes part of one file name; nothing in it can
  // climb out of the folder or name a hidden file.
  std::string file;
  std::string_view path = registryPath_;
  while (!path.empty()) {
    const std::size_t end = path.find_first_of("\\/");
    const std::string_view part = path.substr(0, end);
    path = end == std::string_view::npos ? std::string_view() : path.substr(end + 1);
    if (part.empty() || part == "." || part == "..") continue;
    if (!file.empty()) file += '_';
    for (char c : part) {
      const bool plain = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') ||
                         (c >= '0' && c <= '9') || c == '-' || c == '_' || c == '.' || c == ' ';
      file += plain ? c : '_';
    }
  }
  if (file.empty() || file.front() == '.') return {};
  std::filesystem::path folder;
  if (const char* config = std::getenv("XDG_CONFIG_HOME"); config && config[0] == '/') {
    folder = config;
  } else if (const char* home = std::getenv("HOME"); home && home[0] == '/') {
    folder = std::filesystem::path(home) / ".config";
  } else {
    return {};
  }
  return (folder / "morvel" / (file + ".ini")).string();
}

std::vector<std::string> CustomDBGrid::layoutFiles() const {
  std::vector<std::string> files;
  if (options().has(goStoreToIniFile) && !iniFileName_.empty()) files.push_back(iniFileName_);
  if (options().has(goStoreToRegistry)) {
    std::string file = registryFileName();
    if (!file.empty()) files.push_back(std::move(file));
  }
  return files;
}

void CustomDBGrid::restoreLayout() {
  const std::string section = layoutSection();
  for (const std::string& fileName : layoutFiles()) {
    const std::optional<std::vector<StoredColumn>> stored = readStoredLayout(fileName, section);
    if (!stored) continue;
    // Each entry goes to the first column of its field not taken yet.
    std::vector<std::pair<int, DBTreeListColumn*>> order;
    const auto apply = [&] {
      for (const StoredColumn& entry : *stored) {
        DBTreeListColumn* column = nullptr;
        for (int i = 0; i < columnCount() && !column; ++i) {
          DBTreeListColumn* c = dbColumn(i);
          const bool taken =
              std::any_of(order.begin(), order.end(), [c](const auto& o) { return o.second == c; });
          if (c && !taken && c->fieldName() == entry.fieldName) column = c;
        }
        if (!column) continue;
        order.emplace_back(entry.index, column);
        if (entry.width) column->setWidth(*entry.width);
        if (entry.visible) column->setVisible(*entry.visible != 0);
        if (entry.sorted) setSorted(column, static_cast<TreeListColumnSort>(*entry.sorted));
        if (entry.groupIndex) column->groupIndex_ = *entry.groupIndex;
      }
      // Positions are taken from the lowest up, so later moves keep the
      // earlier ones in place.
      std::stable_sort(order.begin(), order.end(),
                       [](const auto& a, const auto& b) { return a.first < b.first; });
      for (const auto& [index, column] : order) column->setColumnIndex(index);
    };
    // The sort states are set in one batch, so that each adds a sort key.
    UpdateLock lock(*this);
    beginSortBatch();
    const Finally end([this] { endSortBatch(); });
    apply();
    return;  // the first store that holds the grid's layout wins
  }
}

void CustomDBGrid::storeLayout() const {
  const std::vector<std::string> files = layoutFiles();
  if (files.empty()) return;
  const std::string section = layoutSection();
  std::vector<IniSection> own;
  own.push_back({section, {{"Columns", std::to_string(columnCount())}}});
  for (int i = 0; i < columnCount(); ++i) {
    const TreeListColumn* c = columns(i);
    const DBTreeListColumn* db = dbColumn(i);
    own.push_back({section + ".Column" + std::to_string(i),
                   {{"FieldName", escaped(db ? db->fieldName() : std::string())},
                    {"Index", std::to_string(i)},
                    {"Width", std::to_string(c->width())},
                    {"Visible", c->visible() ? "1" : "0"},
                    {"Sorted", std::to_string(static_cast<int>(c->sorted()))},
                    {"GroupIndex", std::to_string(db ? db->groupIndex() : -1)}}});
  }
  const std::string registryFile = options().has(goStoreToRegistry) ? registryFileName() : "";
  for (const std::string& fileName : files) {
    std::vector<IniSection> sections = readIniFile(fileName);
    std::erase_if(sections, [&](const IniSection& s) { return ownSection(s.name, section); });
    sections.insert(sections.end(), own.begin(), own.end());
    if (fileName == registryFile) {
      // The configuration folder is ours to make; a failure shows when the
      // file is written.
      std::error_code ignored;
      std::filesystem::create_directories(std::filesystem::path(fileName).parent_path(), ignored);
    }
    replaceFileContents(fileName, formatIni(sections));
  }
}

}  // namespace morvel
