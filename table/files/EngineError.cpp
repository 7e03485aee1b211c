// Engine error texts and the last-error slot; see EngineError.h.
#include "table/files/EngineError.h"

#include <algorithm>
#include <iterator>
#include <mutex>

#include "base/Format.h"

namespace morvel {
namespace {

// Which context strings fill the placeholders, in order: T the table, N the
// field or index name, X the extra text.
struct CodeText {
  int code;
  const char* pattern;
  const char* args;
};

constexpr CodeText kTexts[] = {
    {8705, "Beginning of file encountered in table '%s'", "T"},
    {8706, "End of file encountered in table '%s'", "T"},
    {8708,
     "Record has been changed or deleted by another user, session, or table cursor in table '%s'",
     "T"},
    {8709, "No current record in table '%s'", "T"},
    {8710, "Record not found in table '%s'", "T"},
    {8711, "End of blob data in table '%s' reached prematurely", "T"},
    {8961, "Header information corrupt in table '%s'", "T"},
    {8962, "Data record buffers corrupt in table '%s'", "T"},
    {8963, "BLOB block buffers corrupt in table '%s'", "T"},
    {8965, "Index page buffers corrupt in table '%s'", "T"},
    {9217, "Error reading from table '%s'", "T"},
    {9218, "Error writing to table '%s'", "T"},
    {9220, "Cannot delete table '%s'", "T"},
    {9221, "Error accessing header information for table '%s'", "T"},
    {9477, "Maximum record size exceeded in table '%s'", "T"},
    {9479, "The table '%s' is full and cannot contain any more data", "T"},
    {9482, "Too many filters defined for table '%s'", "T"},
    {9487,
     "Maximum or minimum limits on number of indexes or fields in an index exceeded in table '%s'",
     "T"},
    {9492,
     "Maximum or minimum limits on number of fields, auto-increment field value, or field size "
     "exceeded in table '%s'",
     "T"},
    {9494, "Too many blobs opened in table '%s'", "T"},
    {9498, "Too many blob fields or invalid blob block size specified for table '%s'", "T"},
    {9729, "Duplicate key found in index '%s' of table '%s'", "NT"},
    {9730, "The value for the field '%s' in table '%s' is below the minimum allowable value", "NT"},
    {9731, "The value for the field '%s' in table '%s' is above the maximum allowable value", "NT"},
    {9732, "A value must be provided for the field '%s' in table '%s'", "NT"},
    {9985, "Invalid field number or name '%s' specified for table '%s'", "NT"},
    {9993, "A primary index is already defined for table '%s' and cannot be added again", "T"},
    {9998, "Invalid blob offset into table '%s' specified", "T"},
    {10000, "Invalid field definition specified for the field '%s' in table '%s'", "NT"},
    {10006,
     "Invalid default, min or max validity check, or expression specified for '%s' in table '%s'",
     "NT"},
    {10010, "The secondary index name is missing or not specified for table '%s'", "T"},
    {10015, "Password provided for table '%s' is invalid", "T"},
    {10022, "Invalid secondary index name '%s' specified for table '%s'", "NT"},
    {10023, "Invalid field number '%s' specified in index '%s' for table '%s'", "XNT"},
    {10026, "Invalid key size specified in index '%s' for table '%s'", "NT"},
    {10027, "The secondary index '%s' already exists for table '%s'", "NT"},
    {10029, "Invalid blob length in table '%s'", "T"},
    {10030, "Invalid blob handle for table '%s' specified", "T"},
    {10031, "table '%s' is already in use", "T"},
    {10038, "Invalid or duplicate field name '%s' specified for table '%s'", "NT"},
    {10050, "Invalid filter handle specified for table '%s'", "T"},
    {10051, "Filter error for table '%s' - %s", "TX"},
    {10055, "The primary index cannot be removed from table '%s'", "T"},
    {10241, "The table '%s' is already locked by another user", "T"},
    {10242, "Cannot unlock table or record in table '%s'", "T"},
    {10249, "General lock failure with table '%s'", "T"},
    {10253, "table '%s' must be opened exclusively", "T"},
    {10258, "Record in table '%s' is in use by another user", "T"},
    {10498, "Insufficient rights to table '%s', a password is required", "T"},
    {10753, "Invalid blob field '%s' specified for table '%s'", "NT"},
    {10758, "Engine not initialized", ""},
    {11010, "Invalid path or file name for table '%s'", "T"},
    {11012, "Too many files open while attempting to open table '%s'", "T"},
    {11013, "Access denied to table '%s'", "T"},
    {11014, "Invalid file handle for table '%s'", "T"},
    {11016, "There is insufficient operating system memory available for the current operation",
     ""},
    {11017, "Invalid length for in-memory table '%s'", "T"},
    {11023, "Access denied to logical operating system device for table '%s'", "T"},
    {11025, "table '%s' has been moved", "T"},
    {11047, "An unknown operating system error occurred with table '%s'", "T"},
    {11949, "SQL error - %s", "X"},
    {12035, "table '%s' is not the correct version", "T"},
    {12292, "Invalid field type specified for index '%s' in table '%s'", "NT"},
    {13060, "The table '%s' already exists", "T"},
    {15878, "The language driver for table '%s' is not available or installed", "T"},
};

constexpr CodeText kUnknown{0, "Unknown error occurred with table '%S'", "T"};
constexpr std::size_t kMaxTextLength = 254;

const CodeText& lookup(int code) {
  const auto it = std::find_if(std::begin(kTexts), std::end(kTexts),
                               [code](const CodeText& t) { return t.code == code; });
  return it == std::end(kTexts) ? kUnknown : *it;
}

std::mutex& lastErrorMutex() {
  static std::mutex mutex;
  return mutex;
}

LastEngineError& lastErrorSlot() {
  static LastEngineError slot;
  return slot;
}

}  // namespace

std::string EngineError::text(int code, std::string_view table, std::string_view name,
                              std::string_view extra) {
  const CodeText& entry = lookup(code);
  std::string_view args[3];
  int count = 0;
  for (const char* a = entry.args; *a; ++a) {
    args[count++] = *a == 'T' ? table : *a == 'N' ? name : extra;
  }
  std::string text = formatMessage(entry.pattern, args[0], args[1], args[2]);
  if (text.size() > kMaxTextLength) text.resize(kMaxTextLength);
  return text;
}

EngineError::EngineError(int code, std::string_view table, std::string_view name,
                         std::string_view extra)
    : DatabaseError("Engine Error # " + std::to_string(code) + " " +
                    text(code, table, name, extra)),
      code_(code) {}

void raiseEngineError(int code, std::string_view table, std::string_view name,
                      std::string_view extra) {
  LastEngineError copy;
  {
    std::lock_guard lock(lastErrorMutex());
    LastEngineError& slot = lastErrorSlot();
    slot.code = code;
    slot.table.assign(table);
    slot.name.assign(name);
    slot.extra.assign(extra);
    copy = slot;
  }
  throw EngineError(copy.code, copy.table, copy.name, copy.extra);
}

LastEngineError lastEngineError() {
  std::lock_guard lock(lastErrorMutex());
  return lastErrorSlot();
}

}  // namespace morvel
