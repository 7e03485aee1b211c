// Reading CSV lines on a second thread; see CsvLineParser.h.
#include "app/CsvLineParser.h"

#include "app/CsvReading.h"
#include "base/DateText.h"

namespace morvel {

namespace {

// Lines per batch: few enough that the batches in flight stay in the
// cache the two threads share, enough that handing one over costs nothing
// beside its lines.
constexpr std::size_t kBatchLines = 1024;

}  // namespace

void ParsedBatch::clear() {
  firstLine = 0;
  texts.clear();
  values.clear();
  lines.clear();
  failure = nullptr;
  failedLine = -1;
  failedValue = -1;
}

CsvLineParser::CsvLineParser(const StringList& lines, int firstLine,
                             std::vector<FieldType> columnTypes)
    : lines_(lines), firstLine_(firstLine), columnTypes_(std::move(columnTypes)) {
  thread_ = std::thread([this] { run(); });
}

CsvLineParser::~CsvLineParser() {
  queue_.stop();
  thread_.join();
}

void CsvLineParser::run() {
  // The thread ends when the lines do, when a line fails or when the
  // reader stops taking batches; it never raises.
  int index = firstLine_;
  const int count = lines_.count();
  while (index < count) {
    ParsedBatch* batch = queue_.spare();
    if (!batch) break;
    batch->firstLine = index;
    try {
      batch->lines.reserve(kBatchLines);
      for (std::size_t n = 0; n < kBatchLines && index < count; ++n, ++index) {
        readLine(lines_.item(index), *batch);
      }
    } catch (...) {
      batch->failure = std::current_exception();
      batch->failedLine = index;
      index = count;
    }
    queue_.handOver(batch);
  }
  queue_.close();
}

void CsvLineParser::readLine(std::string_view text, ParsedBatch& batch) {
  ParsedLine parsed;
  parsed.firstValue = static_cast<std::uint32_t>(batch.values.size());
  parsed.quotesDropped = quotesDropped(text);
  batch.lines.push_back(parsed);  // within the room reserved: never fails
  normaliseLine(text, line_);
  items_.setCommaText(line_);
  const auto values = items_.items();
  for (std::size_t j = 0; j < values.size(); ++j) {
    ParsedValue value;
    value.offset = static_cast<std::uint32_t>(batch.texts.size());
    value.length = static_cast<std::uint32_t>(values[j].size());
    batch.texts.append(values[j]);
    batch.values.push_back(value);
    ++batch.lines.back().valueCount;
    if (j >= columnTypes_.size() || values[j].empty()) continue;
    const FieldType type = columnTypes_[j];
    if (type != ftDate && type != ftDateTime) continue;
    try {
      batch.values.back().date = type == ftDate ? textToDate(values[j]) : textToDateTime(values[j]);
    } catch (...) {
      batch.failedValue = static_cast<int>(j);
      throw;
    }
  }
}

}  // namespace morvel
