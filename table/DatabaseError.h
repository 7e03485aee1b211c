// The failure every dataset and engine operation raises: a message text and
// nothing else. Engine failures derive from it (EngineError), so a handler
// for database errors sees them too.
#pragma once

#include <string>

#include "base/Exception.h"

namespace morvel {

class DatabaseError : public Exception {
 public:
  explicit DatabaseError(std::string message) : Exception(std::move(message)) {}
};

}  // namespace morvel
