// StringList: items, capacity, line and comma text, whole-file load and save.
#include "base/StringList.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstring>
#include <memory>

#include "base/Exception.h"

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace morvel {

namespace {

constexpr char kQuote = '"';

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

// Closes a descriptor on every path out of load and save.
class FileDescriptor {
 public:
  explicit FileDescriptor(int fd) : fd_(fd) {}
  FileDescriptor(const FileDescriptor&) = delete;
  FileDescriptor& operator=(const FileDescriptor&) = delete;
  ~FileDescriptor() {
    if (fd_ >= 0) ::close(fd_);
  }
  int get() const { return fd_; }
  // Closes now and reports whether the close succeeded (a deferred write
  // error can surface only here).
  bool close() {
    const int fd = fd_;
    fd_ = -1;
    return ::close(fd) == 0;
  }

 private:
  int fd_;
};

// The whole content of a file in one buffer. Files that report no size
// (pipes, /proc entries) are read until their end all the same.
struct FileBytes {
  std::unique_ptr<char[]> data;
  std::size_t size = 0;
};

FileBytes readWholeFile(const std::string& fileName) {
  FileDescriptor fd(::open(fileName.c_str(), O_RDONLY | O_CLOEXEC));
  if (fd.get() < 0) throw FileOpenError(fileName);
  struct stat info {};
  if (::fstat(fd.get(), &info) != 0 || S_ISDIR(info.st_mode)) throw FileOpenError(fileName);

  std::size_t capacity = info.st_size > 0 ? static_cast<std::size_t>(info.st_size) + 1 : 4096;
  // new char[] rather than a std::string: the buffer is filled by read(), so
  // zeroing 150 MB first would only cost time.
  FileBytes bytes{std::unique_ptr<char[]>(new char[capacity]), 0};
  for (;;) {
    if (bytes.size == capacity) {
      const std::size_t grown = capacity * 2;
      std::unique_ptr<char[]> bigger(new char[grown]);
      std::memcpy(bigger.get(), bytes.data.get(), bytes.size);
      bytes.data = std::move(bigger);
      capacity = grown;
    }
    const ssize_t got = ::read(fd.get(), bytes.data.get() + bytes.size, capacity - bytes.size);
    if (got == 0) break;
    if (got < 0) {
      if (errno == EINTR) continue;
      throw FileOpenError(fileName);
    }
    bytes.size += static_cast<std::size_t>(got);
  }
  return bytes;
}

}  // namespace

const std::string& StringList::item(int index) const {
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

int StringList::append(std::string item) {
  const std::size_t index = items_.size();
  reserveFor(index + 1);
  items_.push_back(std::move(item));
  return static_cast<int>(index);
}

void StringList::insert(int index, std::string item) {
  if (index < 0 || index > count()) throw StringListError::indexOutOfBounds(index);
  reserveFor(items_.size() + 1);
  items_.insert(items_.begin() + index, std::move(item));
}

void StringList::clear() {
  std::vector<std::string>().swap(items_);
  capacity_ = 0;
}

void StringList::assignItem(std::size_t i, const char* data, std::size_t size) {
  if (i < items_.size()) {
    items_[i].assign(data, size);
  } else {
    reserveFor(i + 1);
    items_.emplace_back(data, size);
  }
}

void StringList::truncate(std::size_t n) {
  if (n < items_.size())
    items_.erase(items_.begin() + static_cast<std::ptrdiff_t>(n), items_.end());
}

void StringList::splitLines(const char* text, std::size_t size) {
  std::size_t n = 0;
  std::size_t pos = 0;
  while (pos < size && text[pos] != '\0') {
    const std::size_t length = findLineEnd(text + pos, size - pos);
    assignItem(n++, text + pos, length);
    pos += length;
    if (pos < size && text[pos] == '\r') ++pos;
    if (pos < size && text[pos] == '\n') ++pos;
  }
  truncate(n);
}

void StringList::setText(std::string_view text) { splitLines(text.data(), text.size()); }

std::string StringList::text() const {
  std::size_t size = 0;
  for (const std::string& s : items_) size += s.size() + 2;
  std::string out;
  out.reserve(size);
  for (const std::string& s : items_) {
    out.append(s);
    out.append("\r\n", 2);
  }
  return out;
}

void StringList::loadFromFile(const std::string& fileName) {
  const FileBytes bytes = readWholeFile(fileName);
  // Most loads go into a fresh list: knowing the line count up front spares
  // the repeated growth of a million slots.
  if (items_.empty()) {
    std::size_t lines = 0;
    const char* p = bytes.data.get();
    std::size_t pos = 0;
    while (pos < bytes.size && p[pos] != '\0') {
      pos += findLineEnd(p + pos, bytes.size - pos);
      ++lines;
      if (pos < bytes.size && p[pos] == '\r') ++pos;
      if (pos < bytes.size && p[pos] == '\n') ++pos;
    }
    reserveFor(lines);
  }
  splitLines(bytes.data.get(), bytes.size);
}

void StringList::saveToFile(const std::string& fileName) const {
  FileDescriptor fd(::open(fileName.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666));
  if (fd.get() < 0) throw FileCreateError(fileName);
  const std::string content = text();
  std::size_t written = 0;
  while (written < content.size()) {
    const ssize_t put = ::write(fd.get(), content.data() + written, content.size() - written);
    if (put < 0 && errno == EINTR) continue;
    if (put <= 0) throw WriteError();
    written += static_cast<std::size_t>(put);
  }
  if (!fd.close()) throw WriteError();
}

void StringList::setCommaText(std::string_view text) {
  const char* p = text.data();
  // Parsing stops at a NUL byte; cutting the text there once lets every step
  // below treat the end of the text as the only stop.
  std::size_t size = text.size();
  if (size > 0) {
    if (const void* nul = std::memchr(p, '\0', size)) {
      size = static_cast<std::size_t>(static_cast<const char*>(nul) - p);
    }
  }
  auto skipBlanks = [&](std::size_t& pos) {
    while (pos < size && isBlank(static_cast<unsigned char>(p[pos]))) ++pos;
  };
  // After an item: blanks, then at most one comma and the blanks after it.
  auto skipSeparator = [&](std::size_t& pos) {
    skipBlanks(pos);
    if (pos < size && p[pos] == ',') {
      ++pos;
      skipBlanks(pos);
    }
  };

  std::size_t n = 0;
  std::size_t pos = 0;
  std::string quoted;
  skipBlanks(pos);
  while (pos < size) {
    if (p[pos] == kQuote) {
      // A quoted item runs to the next quote that is not doubled. Items
      // without doubled quotes are copied from the text in one piece.
      ++pos;
      const char* q = static_cast<const char*>(std::memchr(p + pos, kQuote, size - pos));
      if (q != nullptr && !(q + 1 < p + size && q[1] == kQuote)) {
        assignItem(n++, p + pos, static_cast<std::size_t>(q - (p + pos)));
        pos = static_cast<std::size_t>(q - p) + 1;
        skipSeparator(pos);
        continue;
      }
      quoted.clear();
      bool closed = false;
      while (pos < size) {
        const char* next = static_cast<const char*>(std::memchr(p + pos, kQuote, size - pos));
        if (next == nullptr) {
          quoted.append(p + pos, size - pos);
          pos = size;
          break;
        }
        const std::size_t at = static_cast<std::size_t>(next - p);
        quoted.append(p + pos, at - pos);
        if (at + 1 < size && p[at + 1] == kQuote) {
          quoted.push_back(kQuote);
          pos = at + 2;
        } else {
          pos = at + 1;
          closed = true;
          break;
        }
      }
      // Without a closing quote the last character is taken for it.
      if (!closed && !quoted.empty()) quoted.pop_back();
      assignItem(n++, quoted.data(), quoted.size());
    } else {
      const std::size_t start = pos;
      while (pos < size) {
        const unsigned char c = static_cast<unsigned char>(p[pos]);
        if (isBlank(c) || c == ',') break;
        ++pos;
      }
      assignItem(n++, p + start, pos - start);
    }
    skipSeparator(pos);
  }
  truncate(n);
}

std::string StringList::commaText() const {
  if (items_.size() == 1 && items_[0].empty()) return std::string(2, kQuote);
  std::string out;
  for (std::size_t i = 0; i < items_.size(); ++i) {
    if (i > 0) out.push_back(',');
    const std::string& s = items_[i];
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
