// StringList: items, capacity, line and comma text, whole-file load and save.
#include "base/StringList.h"

#include <algorithm>
#include <climits>
#include <cstring>
#include <functional>

#include "base/Exception.h"
#include "base/WholeFile.h"

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace morvel {

namespace {

constexpr char kQuote = '"';
constexpr std::size_t kFirstBlock = 4096;
constexpr std::size_t kLargestBlock = std::size_t{8} << 20;

bool isBlank(unsigned char c) { return c >= 1 && c <= 32; }

// How many slots a full array of `capacity` slots grows by.
int growthStep(int capacity) {
  if (capacity > 64) return capacity / 4;
  if (capacity > 8) return 16;
  return 4;
}

// Offset of the first CR, LF or NUL in [p, p + n), or n. This is the inner
// loop of every file load, so it looks at 16 bytes per step where it can.
std::size_t findLineEnd(const char* p, std::size_t n) {
  std::size_t i = 0;
#if defined(__SSE2__)
  const __m128i cr = _mm_set1_epi8('\r');
  const __m128i lf = _mm_set1_epi8('\n');
  const __m128i nul = _mm_setzero_si128();
  for (; i + 16 <= n; i += 16) {
    const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + i));
    const __m128i hit = _mm_or_si128(_mm_or_si128(_mm_cmpeq_epi8(v, cr), _mm_cmpeq_epi8(v, lf)),
                                     _mm_cmpeq_epi8(v, nul));
    const int mask = _mm_movemask_epi8(hit);
    if (mask != 0) return i + static_cast<std::size_t>(__builtin_ctz(static_cast<unsigned>(mask)));
  }
#endif
  for (; i < n; ++i) {
    const char c = p[i];
    if (c == '\r' || c == '\n' || c == '\0') return i;
  }
  return n;
}

// The text up to its first NUL byte, where the parsers stop.
std::string_view beforeNul(std::string_view text) {
  if (text.empty()) return text;
  const void* nul = std::memchr(text.data(), '\0', text.size());
  return nul ? text.substr(0, static_cast<std::size_t>(static_cast<const char*>(nul) - text.data()))
             : text;
}

// Calls line(start, length) for every line of the text, as setText splits
// it; returns where the split stopped (size, or the position of a NUL).
template <class LineFn>
std::size_t forEachLine(const char* text, std::size_t size, LineFn line) {
  std::size_t pos = 0;
  while (pos < size && text[pos] != '\0') {
    const std::size_t length = findLineEnd(text + pos, size - pos);
    line(text + pos, length);
    pos += length;
    if (pos < size && text[pos] == '\r') ++pos;
    if (pos < size && text[pos] == '\n') ++pos;
  }
  return pos;
}

}  // namespace

StringList::StringList(const StringList& other) { *this = other; }

StringList& StringList::operator=(const StringList& other) {
  if (this == &other) return *this;
  clear();
  reserveFor(other.items_.size());
  std::size_t bytes = 0;
  for (const std::string_view s : other.items_) bytes += s.size();
  if (bytes > 0) {
    blocks_.emplace_back(bytes);
    used_ = 0;
  }
  for (const std::string_view s : other.items_) items_.push_back(store(s));
  endedAtNul_ = other.endedAtNul_;
  return *this;
}

std::string_view StringList::item(int index) const {
  if (index < 0 || index >= count()) throw StringListError::indexOutOfBounds(index);
  return items_[static_cast<std::size_t>(index)];
}

void StringList::reserveFor(std::size_t n) {
  if (n <= static_cast<std::size_t>(capacity_)) return;
  if (n > static_cast<std::size_t>(INT_MAX)) {
    throw StringListError::indexOutOfBounds(static_cast<std::int64_t>(n));
  }
  long long grown = capacity_;
  while (grown < static_cast<long long>(n)) grown += growthStep(static_cast<int>(grown));
  if (grown > INT_MAX) grown = INT_MAX;
  items_.reserve(static_cast<std::size_t>(grown));
  capacity_ = static_cast<int>(grown);
}

bool StringList::holds(std::string_view bytes) const {
  const std::less<const char*> before;
  for (const ByteBlock& block : blocks_) {
    if (!before(bytes.data(), block.data()) && !before(block.data() + block.size(), bytes.data())) {
      return true;
    }
  }
  return false;
}

std::string_view StringList::store(std::string_view bytes) {
  if (bytes.empty()) return std::string_view();
  if (blocks_.empty() || blocks_.back().size() - used_ < bytes.size()) {
    // Blocks double up to 8 MB; from 2 MB on they sit on huge pages.
    const std::size_t next =
        blocks_.empty() ? kFirstBlock : std::min(kLargestBlock, blocks_.back().size() * 2);
    blocks_.emplace_back(std::max(next, bytes.size()));
    used_ = 0;
  }
  char* at = blocks_.back().data() + used_;
  std::memcpy(at, bytes.data(), bytes.size());
  used_ += bytes.size();
  return std::string_view(at, bytes.size());
}

char* StringList::restartWith(std::string_view source) {
  items_.clear();
  const std::size_t size = source.size();
  if (!holds(source)) {
    // Keep one block that fits without wasting much, so a list refilled line
    // after line reuses it.
    for (ByteBlock& block : blocks_) {
      if (block.size() >= size && block.size() <= 4 * size + kFirstBlock * 16) {
        ByteBlock kept = std::move(block);
        blocks_.clear();
        blocks_.push_back(std::move(kept));
        if (size > 0) std::memcpy(blocks_.back().data(), source.data(), size);
        used_ = size;
        return blocks_.back().data();
      }
    }
  }
  ByteBlock fresh(std::max(size, kFirstBlock));
  if (size > 0) std::memcpy(fresh.data(), source.data(), size);
  blocks_.clear();
  blocks_.push_back(std::move(fresh));
  used_ = size;
  return blocks_.back().data();
}

int StringList::append(std::string_view item) {
  const std::size_t index = items_.size();
  reserveFor(index + 1);
  items_.push_back(store(item));
  return static_cast<int>(index);
}

void StringList::insert(int index, std::string_view item) {
  if (index < 0 || index > count()) throw StringListError::indexOutOfBounds(index);
  reserveFor(items_.size() + 1);
  items_.insert(items_.begin() + index, store(item));
}

void StringList::clear() {
  decltype(items_)().swap(items_);
  capacity_ = 0;
  blocks_.clear();
  used_ = 0;
  endedAtNul_ = false;
}

void StringList::setText(std::string_view text) {
  // Only the bytes before a NUL can become lines.
  const std::size_t size = text.size();
  text = beforeNul(text);
  endedAtNul_ = text.size() < size;
  const char* copy = restartWith(text);
  forEachLine(copy, text.size(), [this](const char* line, std::size_t length) {
    reserveFor(items_.size() + 1);
    items_.emplace_back(line, length);
  });
}

std::string StringList::text() const {
  std::size_t size = 0;
  for (const std::string_view s : items_) size += s.size() + 2;
  std::string out;
  out.reserve(size);
  for (const std::string_view s : items_) {
    out.append(s);
    out.append("\r\n", 2);
  }
  return out;
}

void StringList::loadFromFile(const std::string& fileName) {
  FileContent file = readWholeFile(fileName);
  // The file's block becomes the list's storage and its lines point into
  // it. Counting the lines first sizes the slots in one step.
  const char* p = file.block.data();
  std::size_t lines = 0;
  forEachLine(p, file.size, [&lines](const char*, std::size_t) { ++lines; });
  items_.clear();
  blocks_.clear();
  reserveFor(lines);
  const std::size_t end = forEachLine(p, file.size, [this](const char* line, std::size_t length) {
    items_.emplace_back(line, length);
  });
  endedAtNul_ = end < file.size;
  used_ = file.size;
  blocks_.push_back(std::move(file.block));
}

void StringList::saveToFile(const std::string& fileName) const {
  // Built in a block rather than a std::string: a million lines want huge
  // pages, and the content is never needed as a string.
  std::size_t size = 0;
  for (const std::string_view s : items_) size += s.size() + 2;
  ByteBlock content(size);
  char* out = content.data();
  for (const std::string_view s : items_) {
    if (!s.empty()) std::memcpy(out, s.data(), s.size());
    out += s.size();
    *out++ = '\r';
    *out++ = '\n';
  }
  writeWholeFile(fileName, std::string_view(content.data(), size));
}

void StringList::setCommaText(std::string_view text) {
  // Parsing stops at a NUL byte; cutting the text there once lets every step
  // below treat the end of the text as the only stop. The items are parsed
  // in a copy of the text, in place: unquoting only ever shortens an item.
  text = beforeNul(text);
  const std::size_t size = text.size();
  char* p = restartWith(text);
  auto skipBlanks = [&](std::size_t& pos) {
    while (pos < size && isBlank(static_cast<unsigned char>(p[pos]))) ++pos;
  };
  auto add = [&](const char* item, std::size_t length) {
    if (items_.size() == static_cast<std::size_t>(capacity_)) reserveFor(items_.size() + 1);
    items_.emplace_back(item, length);
  };

  std::size_t pos = 0;
  skipBlanks(pos);
  while (pos < size) {
    if (p[pos] == kQuote) {
      // A quoted item runs to the next quote that is not doubled; each
      // doubled quote stands for one.
      const std::size_t start = ++pos;
      std::size_t length = 0;
      bool closed = false;
      while (pos < size) {
        // Items are short: a plain loop beats a library search call here.
        std::size_t end = pos;
        while (end < size && p[end] != kQuote) ++end;
        // Only after a doubled quote does the item lag behind the text.
        if (start + length != pos) std::memmove(p + start + length, p + pos, end - pos);
        length += end - pos;
        pos = end;
        if (pos == size) break;
        if (pos + 1 < size && p[pos + 1] == kQuote) {
          p[start + length++] = kQuote;
          pos += 2;
        } else {
          ++pos;
          closed = true;
          break;
        }
      }
      // Without a closing quote the last character is taken for it.
      if (!closed && length > 0) --length;
      add(p + start, length);
    } else {
      const std::size_t start = pos;
      while (pos < size) {
        const unsigned char c = static_cast<unsigned char>(p[pos]);
        if (isBlank(c) || c == ',') break;
        ++pos;
      }
      add(p + start, pos - start);
    }
    skipBlanks(pos);
    if (pos < size && p[pos] == ',') {
      ++pos;
      skipBlanks(pos);
    }
  }
}

std::string StringList::commaText() const {
  if (items_.size() == 1 && items_[0].empty()) return std::string(2, kQuote);
  std::string out;
  for (std::size_t i = 0; i < items_.size(); ++i) {
    if (i > 0) out.push_back(',');
    const std::string_view s = items_[i];
    bool needsQuotes = false;
    for (const char ch : s) {
      const unsigned char c = static_cast<unsigned char>(ch);
      if (isBlank(c) || c == kQuote || c == ',') {
        needsQuotes = true;
        break;
      }
    }
    if (!needsQuotes) {
      out.append(s);
      continue;
    }
    out.push_back(kQuote);
    for (const char c : s) {
      out.push_back(c);
      if (c == kQuote) out.push_back(kQuote);
    }
    out.push_back(kQuote);
  }
  return out;
}

}  // namespace morvel
