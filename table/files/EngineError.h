// The engine's failures: every engine error is a numbered code with a fixed
// text naming the table (and a field or index where the text has room for
// one). The last error raised is also kept in a process-wide slot.
#pragma once

#include <string>
#include <string_view>

#include "table/DatabaseError.h"

namespace morvel {

// The engine's result and error codes. Positioning reads return the first
// four as results; everything else is raised as an EngineError.
enum EngineCode : int {
  kAtStart = 8705,
  kAtEnd = 8706,
  kRecordChanged = 8708,
  kNoCurrentRecord = 8709,
  kRecordNotFound = 8710,
  kBlobEndReached = 8711,
  kHeaderCorrupt = 8961,
  kRecordBuffersCorrupt = 8962,
  kBlobBuffersCorrupt = 8963,
  kIndexPagesCorrupt = 8965,
  kReadError = 9217,
  kWriteError = 9218,
  kCannotDeleteTable = 9220,
  kHeaderAccessError = 9221,
  kRecordTooLarge = 9477,
  kTableFull = 9479,
  kTooManyFilters = 9482,
  kIndexLimits = 9487,
  kFieldLimits = 9492,
  kTooManyBlobsOpen = 9494,
  kBlobLimits = 9498,
  kDuplicateKey = 9729,
  kBelowMinimum = 9730,
  kAboveMaximum = 9731,
  kValueRequired = 9732,
  kInvalidFieldNumber = 9985,
  kPrimaryIndexExists = 9993,
  kInvalidBlobOffset = 9998,
  kInvalidFieldDefinition = 10000,
  kInvalidValidityCheck = 10006,
  kSecondaryNameMissing = 10010,
  kInvalidPassword = 10015,
  kInvalidIndexName = 10022,
  kInvalidIndexField = 10023,
  kInvalidKeySize = 10026,
  kIndexExists = 10027,
  kInvalidBlobLength = 10029,
  kInvalidBlobHandle = 10030,
  kTableInUse = 10031,
  kInvalidFieldName = 10038,
  kInvalidFilterHandle = 10050,
  kFilterError = 10051,
  kPrimaryIndexRequired = 10055,
  kTableLocked = 10241,
  kCannotUnlock = 10242,
  kGeneralLockFailure = 10249,
  kMustBeExclusive = 10253,
  kRecordInUse = 10258,
  kPasswordRequired = 10498,
  kInvalidBlobField = 10753,
  kEngineNotInitialized = 10758,
  kInvalidPath = 11010,
  kTooManyFilesOpen = 11012,
  kAccessDenied = 11013,
  kInvalidFileHandle = 11014,
  kOutOfMemory = 11016,
  kInvalidMemoryTableLength = 11017,
  kDeviceAccessDenied = 11023,
  kTableMoved = 11025,
  kOperatingSystemError = 11047,
  kSqlError = 11949,
  kInvalidFieldType = 12292,
  kWrongVersion = 12035,
  kTableExists = 13060,
  kLanguageDriverMissing = 15878,
};

class EngineError : public DatabaseError {
 public:
  // The message is "Engine Error # <code> <text>", the text formatted from
  // the table name, the field or index name and an extra text as the code's
  // text asks for them.
  EngineError(int code, std::string_view table, std::string_view name = {},
              std::string_view extra = {});

  int code() const noexcept { return code_; }

  // The engine's text for a code, formatted and cut to 254 characters.
  static std::string text(int code, std::string_view table, std::string_view name = {},
                          std::string_view extra = {});

 private:
  int code_;
};

// Records the error in the last-error slot and throws it.
[[noreturn]] void raiseEngineError(int code, std::string_view table, std::string_view name = {},
                                   std::string_view extra = {});

// The last error raised anywhere in the process (code 0 before the first).
struct LastEngineError {
  int code = 0;
  std::string table;
  std::string name;
  std::string extra;
};
LastEngineError lastEngineError();

}  // namespace morvel
