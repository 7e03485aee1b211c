// The words of an import's report; see ReadingReport.h.
#include "app/ReadingReport.h"

#include <vector>

namespace morvel {

std::string groupedNumber(std::int64_t n) {
  const bool negative = n < 0;
  const std::uint64_t magnitude =
      negative ? 0 - static_cast<std::uint64_t>(n) : static_cast<std::uint64_t>(n);
  const std::string digits = std::to_string(magnitude);
  std::string out;
  for (std::size_t i = 0; i < digits.size(); ++i) {
    if (i > 0 && (digits.size() - i) % 3 == 0) out += ',';
    out += digits[i];
  }
  return negative ? "-" + out : out;
}

std::string countOf(std::int64_t n, const std::string& noun) {
  return groupedNumber(n) + " " + noun + (n == 1 ? "" : "s");
}

namespace {

std::string joinSentences(const std::vector<std::string>& sentences) {
  std::string out;
  for (const std::string& s : sentences) {
    if (s.empty()) continue;
    if (!out.empty()) out += ". ";
    out += s;
  }
  return out;
}

std::string stopSentence(const ReadingStop& stop) {
  if (stop.line <= 0) return "No records loaded";
  const std::string loaded = stop.recordsLoaded > 0
                                 ? countOf(stop.recordsLoaded, "record") + " loaded"
                                 : "no records loaded";
  return "Stopped at line " + groupedNumber(stop.line) + ": " + loaded;
}

}  // namespace

std::string readingStatusText(const ReadingReport& report) {
  std::vector<std::string> sentences;
  if (report.stop.stopped) {
    sentences.push_back(report.stop.reason);
    sentences.push_back(stopSentence(report.stop));
  }
  const ReadingChanges& c = report.changes;
  if (c.cutValues > 0) {
    sentences.push_back(countOf(c.cutValues, "value") + (c.cutValues == 1 ? " was" : " were") +
                        " cut to " + std::to_string(c.cutSize) + " characters");
  }
  if (c.quoteLines > 0) {
    sentences.push_back("Quote characters were dropped from the values of " +
                        countOf(c.quoteLines, "line"));
  }
  if (c.endedAtNul) {
    sentences.push_back("A NUL byte ended the file early: only " + countOf(c.linesRead, "line") +
                        (c.linesRead == 1 ? " was" : " were") + " read");
  }
  return joinSentences(sentences);
}

std::string saveOverQuestion(const ReadingReport& report) {
  const ReadingChanges& c = report.changes;
  if (!report.stop.stopped && !c.any()) return {};
  std::vector<std::string> sentences;
  if (report.stop.stopped) sentences.push_back("Reading this file stopped before its end");
  if (c.cutValues > 0) sentences.push_back("Some values were cut when this file was read");
  if (c.quoteLines > 0) {
    sentences.push_back("Some quote characters were dropped when this file was read");
  }
  if (c.endedAtNul) sentences.push_back("This file was read only up to a NUL byte");
  const bool onlyCut = sentences.size() == 1 && c.cutValues > 0;
  sentences.push_back(onlyCut ? "Saving over it keeps only the cut values"
                              : "Saving over it keeps only what was read");
  return joinSentences(sentences) + ". Save anyway?";
}

}  // namespace morvel
