// Writing a saved file without putting the file it replaces at risk: the new
// text goes to a fresh file beside the target and takes the target's place
// only once every byte of it is on disk.
#pragma once

#include <functional>
#include <string>
#include <string_view>

#include "base/WholeFile.h"

namespace morvel {

// Makes fileName hold exactly bytes. A regular file (or a new name) is
// written as a hidden temporary file in the same folder, flushed to disk and
// then renamed over the target, so a failure at any point leaves the old
// file as it was and no temporary file behind. The new file takes the old
// one's permission bits (a new one those the process's umask allows); a
// symbolic link is followed and the file it names replaced. Anything that
// is not a regular file (a device such as /dev/null) is written in place.
//
// Throws FileCreateError "Cannot create file %s" (naming fileName) when the
// file cannot be made or may not be replaced, and WriteError "Stream write
// error" when the bytes do not all reach the disk.
void replaceFileContents(const std::string& fileName, std::string_view bytes);

// The same for a file whose bytes `write` hands to the writer as it makes
// them. The target is checked and the temporary file made before `write`
// runs; whatever `write` throws leaves the old file as it was and no
// temporary file behind.
void replaceFileContents(const std::string& fileName,
                         const std::function<void(FileWriter&)>& write);

}  // namespace morvel
