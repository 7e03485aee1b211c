// Whole files read or written in one piece, failing with the program's file
// messages ("Cannot open file %s", "Cannot create file %s", "Stream write
// error"). The descriptor is closed again on every path.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

#include "base/BlockMemory.h"

namespace morvel {

// The bytes of a file: the first `size` bytes of `block` (the block may be
// larger).
struct FileContent {
  ByteBlock block;
  std::size_t size = 0;

  std::string_view view() const { return std::string_view(block.data(), size); }
};

// Every byte of the file, as it is. Throws FileOpenError when the file is
// missing, a folder, unreadable or fails while being read.
FileContent readWholeFile(const std::string& fileName);

// Creates or truncates the file and writes bytes to it. Throws
// FileCreateError when it cannot be created and WriteError when not every
// byte reached it; a partly written file stays behind.
void writeWholeFile(const std::string& fileName, std::string_view bytes);

}  // namespace morvel
