// Message texts of the shared exception classes; see Exception.h.
#include "base/Exception.h"

#include "base/Format.h"

namespace morvel {

namespace {
constexpr std::string_view kListIndexMessage = "List index out of bounds (%d)";
}

StringListError StringListError::indexOutOfBounds(std::int64_t index) {
  return StringListError(formatMessage(kListIndexMessage, static_cast<long long>(index)));
}

ListError ListError::indexOutOfBounds(std::int64_t index) {
  return ListError(formatMessage(kListIndexMessage, static_cast<long long>(index)));
}

FileOpenError::FileOpenError(std::string_view fileName)
    : StreamError(formatMessage("Cannot open file %s", fileName)) {}

FileCreateError::FileCreateError(std::string_view fileName)
    : StreamError(formatMessage("Cannot create file %s", fileName)) {}

WriteError::WriteError() : StreamError("Stream write error") {}

}  // namespace morvel
