// The engine's errors are defined beside the files they are first raised
// by (table/files/EngineError.h), so that the file layer needs nothing from
// the engine above it; this name stays for the engine's own users.
#pragma once

#include "table/files/EngineError.h"
