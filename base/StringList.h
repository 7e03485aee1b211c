// StringList: the program's ordered list of byte strings, with its two text
// forms: the line form used for whole files and the comma form of one CSV line.
#pragma once

#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "base/BlockMemory.h"

namespace morvel {

// An ordered list of byte strings (any byte, NUL included, may sit inside an
// item; only the parsers below stop at NUL). Duplicates are allowed and the
// list is never sorted. Indexes are ints so that a negative index is reported
// as what it is ("List index out of bounds (-1)").
//
// The list owns copies of its items' bytes. Items are handed out as views,
// which stay valid until the list is next cleared, replaced (setText,
// loadFromFile, setCommaText), assigned or destroyed; appending and
// inserting leave earlier views valid. A loaded file is kept as one block
// that its lines point into, so loading copies no line.
//
// Capacity: the item slots grow by a quarter when there are more than 64 of
// them, by 16 from 9 to 64 and by 4 up to 8; clear() releases them all. The
// replacing operations keep the slots and the byte storage they already have
// when it fits, so a list refilled line after line stops allocating.
class StringList {
 public:
  StringList() = default;
  StringList(const StringList& other);
  StringList& operator=(const StringList& other);
  StringList(StringList&&) noexcept = default;
  StringList& operator=(StringList&&) noexcept = default;

  int count() const { return static_cast<int>(items_.size()); }
  int capacity() const { return capacity_; }

  // The item at index (0 to count-1); throws StringListError otherwise.
  std::string_view item(int index) const;
  // Every item, for loops that want no bounds check per access.
  std::span<const std::string_view> items() const { return {items_.data(), items_.size()}; }

  // Adds a copy of item after the last one; returns its index (the old count).
  int append(std::string_view item);
  // Puts a copy of item at index (0 to count, count appends), moving the
  // later items up; throws StringListError for any other index.
  void insert(int index, std::string_view item);
  // Removes every item and releases the slots (capacity 0) and the bytes.
  void clear();

  // Replaces the content with the lines of text: CR LF, a lone CR and a lone
  // LF each end a line, a last line without an end still counts, a line end
  // at the very end adds no empty line, and a NUL byte ends the text.
  void setText(std::string_view text);
  // Every item followed by CR LF; empty for an empty list.
  std::string text() const;

  // Reads the whole file in one go and sets the text from it; the bytes are
  // taken as they are (a byte-order mark belongs to the first line). Throws
  // FileOpenError, leaving the list unchanged, when the file cannot be read.
  void loadFromFile(const std::string& fileName);
  // Whether the last setText or loadFromFile met a NUL byte before the end
  // of its text, so that the bytes after it were not read.
  bool endedAtNul() const { return endedAtNul_; }
  // Creates or truncates the file and writes text() to it in one write.
  // Throws FileCreateError when the file cannot be created and WriteError
  // when not every byte was written (the partly written file stays).
  void saveToFile(const std::string& fileName) const;

  // Replaces the content with the items of one comma-separated line. Blanks
  // (bytes 1 to 32) around items are dropped and end an unquoted item; a
  // quoted item may hold anything, a doubled quote standing for one; a comma
  // at the very end adds no empty item. Never fails.
  void setCommaText(std::string_view text);
  // All items on one line, separated by commas; an item holding a blank, a
  // quote or a comma is quoted with its quotes doubled. A single empty item
  // gives two quote characters, an empty list an empty string.
  std::string commaText() const;

 private:
  // Makes room for at least n items, growing by the rule above.
  void reserveFor(std::size_t n);
  // A copy of bytes in the list's storage.
  std::string_view store(std::string_view bytes);
  // Drops every item and starts the storage afresh with a copy of source,
  // which the caller may then rewrite in place. Keeps the slots, and one
  // block of the present storage when it fits; source may lie within it.
  char* restartWith(std::string_view source);
  // Whether bytes lie within the list's storage.
  bool holds(std::string_view bytes) const;

  std::vector<std::string_view, BlockAllocator<std::string_view>> items_;
  int capacity_ = 0;
  // Append-only byte storage the items point into; dropped all together.
  std::vector<ByteBlock> blocks_;
  std::size_t used_ = 0;  // bytes taken in blocks_.back()
  bool endedAtNul_ = false;
};

}  // namespace morvel
