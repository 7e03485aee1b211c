// What an import tells the user besides its error message: where and why it
// stopped, and how reading changed the data (values cut to their column,
// quote characters dropped, a NUL byte ending the text). The import fills a
// report; the main window shows it in the status bar and asks before a
// Save As would write the changed data over the file it came from.
#pragma once

#include <cstdint>
#include <string>

namespace morvel {

// Changes that reading made to the file's data, all counted while reading.
struct ReadingChanges {
  std::int64_t cutValues = 0;   // text values longer than their column
  int cutSize = 100;            // the text columns' size they were cut to
  std::int64_t quoteLines = 0;  // lines whose values lost quote characters
  bool endedAtNul = false;      // a NUL byte ended the text early
  std::int64_t linesRead = 0;   // lines the text held up to its end

  bool any() const { return cutValues > 0 || quoteLines > 0 || endedAtNul; }
};

// Where and why an import stopped.
struct ReadingStop {
  bool stopped = false;
  // The 1-based line of the file being read when it stopped; 0 when no line
  // was read (the file could not be read at all).
  std::int64_t line = 0;
  std::int64_t recordsLoaded = 0;
  // The cause in plain words, without a full stop: "Line 57 has 3 fields;
  // the header has 2".
  std::string reason;
};

struct ReadingReport {
  ReadingChanges changes;
  ReadingStop stop;
};

// A whole number with its thousands grouped by commas: 2,320,186.
std::string groupedNumber(std::int64_t n);

// "1 record" or "2,320,185 records": a count and its noun, singular or
// plural (the plural adds an "s").
std::string countOf(std::int64_t n, const std::string& noun);

// The status text after an import: first where and why it stopped, then
// each change, as sentences joined by ". " without a final full stop. Empty
// when the import neither stopped nor changed anything.
std::string readingStatusText(const ReadingReport& report);

// The question asked before a Save As writes over the file that was read,
// when the table no longer holds that file's data as it was; empty when it
// does.
std::string saveOverQuestion(const ReadingReport& report);

}  // namespace morvel
