// CSV reading rules; see CsvReading.h.
#include "app/CsvReading.h"

#include <algorithm>
#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "base/DateText.h"

namespace morvel {

namespace {

constexpr char kQuote = '"';

// The position of the line's last quote character, or npos. Every line is
// searched for it, so the search goes through the C library's vectorised
// memrchr.
std::size_t lastQuoteOf(std::string_view line) {
  if (line.empty()) return std::string_view::npos;
  const void* found = ::memrchr(line.data(), kQuote, line.size());
  return found ? static_cast<std::size_t>(static_cast<const char*>(found) - line.data())
               : std::string_view::npos;
}

}  // namespace

void normaliseLine(std::string_view line, std::string& out) {
  // Fields are joined by quote-comma-quote with every quote character of the
  // line dropped; the fix-ups below then put one quote at each end. Two bytes
  // of headroom in front take the quotes that go there. This runs once per
  // record, so it copies 16 bytes at a time up to the next quote or comma,
  // into a buffer sized for the worst case plus room for one such copy.
  const std::size_t commas = static_cast<std::size_t>(std::count(line.begin(), line.end(), ','));
  out.resize(2 + line.size() + 2 * commas + 2 + 16);
  char* w = out.data();
  *w++ = kQuote;
  *w++ = kQuote;
  bool inside = false;
  auto special = [&](char c) {
    if (c == kQuote) {
      inside = !inside;
    } else if (inside) {
      *w++ = ',';
    } else {
      *w++ = kQuote;
      *w++ = ',';
      *w++ = kQuote;
    }
  };
  const char* p = line.data();
  // Copies line[i, end) into the output, handling its quotes and commas.
  std::size_t i = 0;
  auto copy = [&](std::size_t end) {
#if defined(__SSE2__)
    const __m128i quotes = _mm_set1_epi8(kQuote);
    const __m128i commaBytes = _mm_set1_epi8(',');
    while (i + 16 <= end) {
      const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + i));
      _mm_storeu_si128(reinterpret_cast<__m128i*>(w), v);
      const unsigned mask = static_cast<unsigned>(_mm_movemask_epi8(
          _mm_or_si128(_mm_cmpeq_epi8(v, quotes), _mm_cmpeq_epi8(v, commaBytes))));
      if (mask == 0) {
        i += 16;
        w += 16;
        continue;
      }
      const unsigned run = static_cast<unsigned>(__builtin_ctz(mask));
      i += run;
      w += run;
      special(p[i++]);
    }
#endif
    for (; i < end; ++i) {
      if (p[i] == kQuote || p[i] == ',') {
        special(p[i]);
      } else {
        *w++ = p[i];
      }
    }
  };
  // A quote left open ends with the last quote character of the line: the
  // commas after it separate fields again, so that an inch mark or a stray
  // quote cannot swallow the rest of the line into one field.
  const std::size_t lastQuote = lastQuoteOf(line);
  if (lastQuote != std::string_view::npos) {
    copy(lastQuote + 1);
    inside = false;
  }
  copy(line.size());
  out.resize(static_cast<std::size_t>(w - out.data()));

  // The fix-ups, each looking at what the previous one left; the joined
  // text starts at out[2].
  std::size_t start = 2;
  if (out.size() - 2 < 2) {
    // Too short for the fix-ups to look at: no separator, so one field of at
    // most one character, quoted whole.
    start = 1;
    out.push_back(kQuote);
  } else {
    // A line starting with an empty field starts with quote-comma and gets a
    // second quote in front; any other line gets one.
    if (out[3] == ',') start = 1;
    if (out[start] != kQuote) --start;
    // Likewise at the end, for a line ending with an empty field.
    if (out[out.size() - 2] == ',') out.push_back(kQuote);
    if (out.back() != kQuote) out.push_back(kQuote);
  }
  out.erase(0, start);
}

std::string normaliseLine(std::string_view line) {
  std::string out;
  normaliseLine(line, out);
  return out;
}

bool quotesDropped(std::string_view line) {
  const std::size_t lastQuote = lastQuoteOf(line);
  if (lastQuote == std::string_view::npos) return false;
  // Walks the fields as normaliseLine splits them and looks at the quotes
  // of each in the line as written.
  bool inside = false;
  std::size_t start = 0;
  int quotes = 0;
  for (std::size_t i = 0; i <= line.size(); ++i) {
    if (i == line.size() || (line[i] == ',' && (!inside || i > lastQuote))) {
      const bool enclosing = quotes == 2 && line[start] == kQuote && line[i - 1] == kQuote;
      if (quotes != 0 && !enclosing) return true;
      start = i + 1;
      quotes = 0;
    } else if (line[i] == kQuote) {
      inside = !inside;
      ++quotes;
    }
  }
  return false;
}

std::string fieldNameFor(std::string_view headerField, BlankCounter& counter) {
  if (!headerField.empty()) return std::string(headerField);
  return "Blank" + std::to_string(counter.take());
}

ColumnType columnTypeFor(std::string_view sample, const FormatSettings& settings) {
  if (sample.size() < 6 || sample[2] != '/' || sample[5] != '/') return ColumnType{ftString, 100};
  if (sample.size() == 8) {
    textToDate(sample, settings);
    return ColumnType{ftDate, 0};
  }
  if (sample.size() == 14) {
    textToDateTime(sample, settings);
    return ColumnType{ftDateTime, 0};
  }
  return ColumnType{ftString, 100};
}

}  // namespace morvel
