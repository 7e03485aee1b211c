// A table's data file: its header, its field descriptors and its records as
// fixed-size slots numbered from 1, with the free-slot chain, the
// auto-increment counter and a cache of record images that reads the file in
// runs. Owned by the table object (DataTable) together with the index file.
//
// File layout:
//
//   OFFSET                      SIZE                        MEANING
//        0                      127                         header (below)
//      127                      field count × 768           field descriptors, by number
//      127 + field count × 768  record size × (next − 1)    slots 1, 2, …
//
// Header (little-endian; bytes not listed are zero):
//
//   OFFSET  SIZE  MEANING
//        0     4  change counter, incremented at every header write
//        4     2  blob block size
//        8     1  4
//        9     4  head of the free-slot chain (0 = none)
//       13     4  next record number: one more than the highest slot ever used
//       17     4  last auto-increment value handed out
//       21     2  record size
//       23     2  field count
//       25     2  blob field count
//       27     4  day number of the last header write (0001-01-01 = 1)
//       35    51  description: length byte + up to 50 characters
//       86     1  encrypted flag
//       87    16  password area
//      103     2  language identifier
//      105     2  sort identifier
//      107     2  table version (1 at creation)
//      109     2  second table version (0 at creation)
//      111     1  header-changed flag as held in memory when written
//      116     4  21100
//      120     4  0 (a float)
#pragma once

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstring>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "table/engine/Bytes.h"
#include "table/engine/FieldDescriptor.h"
#include "table/engine/RecordLayout.h"
#include "table/files/EngineAllocator.h"
#include "table/files/FileHandler.h"

namespace morvel {

class DataHeader {
 public:
  static constexpr std::size_t kSize = 127;
  static constexpr std::size_t kChangeCounter = 0;
  static constexpr std::size_t kBlobBlockSize = 4;
  static constexpr std::size_t kConstantFour = 8;
  static constexpr std::size_t kFreeHead = 9;
  static constexpr std::size_t kNextRecord = 13;
  static constexpr std::size_t kLastAutoInc = 17;
  static constexpr std::size_t kRecordSize = 21;
  static constexpr std::size_t kFieldCount = 23;
  static constexpr std::size_t kBlobFieldCount = 25;
  static constexpr std::size_t kDate = 27;
  static constexpr std::size_t kDescription = 35;
  static constexpr std::size_t kMaxDescription = 50;
  static constexpr std::size_t kEncrypted = 86;
  static constexpr std::size_t kPassword = 87;
  static constexpr std::size_t kLanguage = 103;
  static constexpr std::size_t kSortId = 105;
  static constexpr std::size_t kVersion = 107;
  static constexpr std::size_t kVersion2 = 109;
  static constexpr std::size_t kChangedFlag = 111;
  static constexpr std::size_t kMarker = 116;
  static constexpr std::size_t kFloatZero = 120;
  static constexpr std::uint32_t kMarkerValue = 21100;

  std::uint32_t changeCounter() const { return get32(kChangeCounter); }
  int blobBlockSize() const { return get16(kBlobBlockSize); }
  std::int32_t freeHead() const { return static_cast<std::int32_t>(get32(kFreeHead)); }
  std::int32_t nextRecord() const { return static_cast<std::int32_t>(get32(kNextRecord)); }
  std::int32_t lastAutoInc() const { return static_cast<std::int32_t>(get32(kLastAutoInc)); }
  int recordSize() const { return get16(kRecordSize); }
  int fieldCount() const { return get16(kFieldCount); }
  int blobFieldCount() const { return get16(kBlobFieldCount); }
  std::int32_t date() const { return static_cast<std::int32_t>(get32(kDate)); }
  std::string description() const;
  int language() const { return get16(kLanguage); }
  int sortId() const { return get16(kSortId); }

  void setBlobBlockSize(int v) { put16(kBlobBlockSize, v); }
  void setFreeHead(std::int32_t v) { put32(kFreeHead, static_cast<std::uint32_t>(v)); }
  void setNextRecord(std::int32_t v) { put32(kNextRecord, static_cast<std::uint32_t>(v)); }
  void setLastAutoInc(std::int32_t v) { put32(kLastAutoInc, static_cast<std::uint32_t>(v)); }
  void setRecordSize(int v) { put16(kRecordSize, v); }
  void setFieldCount(int v) { put16(kFieldCount, v); }
  void setBlobFieldCount(int v) { put16(kBlobFieldCount, v); }
  void setDescription(std::string_view text);
  void setLanguage(int v) { put16(kLanguage, v); }
  void setSortId(int v) { put16(kSortId, v); }
  // The fields a new table starts with.
  void initialise();
  // Counter, date stamp and fixed values, as every header write sets them.
  void stampForWrite(std::int32_t today);

  std::uint8_t* bytes() { return bytes_.data(); }
  const std::uint8_t* bytes() const { return bytes_.data(); }

 private:
  std::uint32_t get32(std::size_t at) const { return bytes::get32(&bytes_[at]); }
  int get16(std::size_t at) const { return bytes::get16(&bytes_[at]); }
  void put32(std::size_t at, std::uint32_t v) { bytes::put32(&bytes_[at], v); }
  void put16(std::size_t at, int v) { bytes::put16(&bytes_[at], static_cast<std::uint16_t>(v)); }

  std::array<std::uint8_t, kSize> bytes_{};
};
static_assert(sizeof(DataHeader) == DataHeader::kSize);
static_assert(DataHeader::kFloatZero + 4 <= DataHeader::kSize);

// One cached record image.
class Record {
 public:
  std::int32_t number() const { return number_; }
  std::uint8_t* image() { return image_.data(); }
  const std::uint8_t* image() const { return image_.data(); }
  bool deleted() const { return image_.data()[kDeletedFlagOffset] != 0; }
  bool changed() const { return changed_; }
  void markChanged() { changed_ = true; }
  // Takes `image` (a full record image) as this record's, giving back the
  // old one in its place: an insert hands over the image it built without
  // copying it.
  void exchangeImage(EngineBlock& image) {
    if (image.size() == image_.size()) {
      std::swap(image, image_);
    } else {
      std::memcpy(image_.data(), image.data(), std::min(image.size(), image_.size()));
    }
  }

 private:
  friend class DataFile;
  std::int32_t number_ = 0;
  bool changed_ = false;
  EngineBlock image_;
};

// How a record is about to be used: alone (it is read by itself), or as
// part of a walk forward or backward (a run of records is read with it).
enum class Access { Single, Forward, Backward };

struct DataFileOptions {
  int blobBlockSize = 512;
  int language = 0;
  int sortId = 0;
  std::string description;
};

class DataFile {
 public:
  static constexpr std::int64_t kDataStart = DataHeader::kSize;
  static constexpr std::int32_t kMaxSlots = 100'000'000;
  static constexpr std::int64_t kMaxDataBytes = 2'000'000'000;

  DataFile(std::string tableName, std::string fileName, bool memory);
  ~DataFile();

  // Writes a new file from validated fields; the file is then open.
  void create(const std::vector<FieldDescriptor>& fields, const TableLayout& layout,
              const DataFileOptions& options);
  // Reads and checks the header and descriptors (8961 when they do not
  // agree with each other or with the file size).
  void open(bool exclusive);
  // Writes back everything changed, then closes the file.
  void close();
  bool isOpen() const { return file_.isOpen(); }
  // Writes back changed records (in slot order) and the header.
  void flush();

  const DataHeader& header() const { return header_; }
  int recordSize() const { return recordSize_; }
  int fieldCount() const { return static_cast<int>(fields_.size()); }
  const std::vector<FieldDescriptor>& fields() const { return fields_; }
  const FieldDescriptor& field(int number) const {
    return fields_[static_cast<std::size_t>(number - 1)];
  }
  std::int32_t slotCount() const { return header_.nextRecord() - 1; }
  std::int32_t freeHead() const { return header_.freeHead(); }
  std::int32_t lastAutoIncrement() const { return header_.lastAutoInc(); }
  const std::string& fileName() const { return file_.fileName(); }

  // Cache geometry: records per read run and the most records kept.
  static int recordsPerRun(int recordSize);
  static int cacheLimit(int recordSize);
  int cachedCount() const { return static_cast<int>(sorted_.size()); }
  bool isCached(std::int32_t number) const;

  // Slot `number` in any state (8962 when out of range or malformed). A
  // returned record stays valid until the next call that reads, adds or
  // flushes records. A walk forward reads a run starting at the slot, a
  // walk backward one ending at it.
  Record& slot(std::int32_t number, Access access = Access::Single);
  // Slot `number`, which must hold a record in use (8962 otherwise).
  Record& record(std::int32_t number, Access access = Access::Single);
  // Reading many records in place, for a walk during which the table does
  // not change and nothing else reads, adds or changes records.
  // beginInPlaceReads writes the changed records back, so that the file
  // holds every record as it is, and tells whether the file keeps its bytes
  // in memory; only then may imageInPlace be used. imageInPlace gives the
  // image of slot `number`, which must hold a record in use (8962
  // otherwise, as record() checks), where the file keeps it: copied only
  // when it spans two of the file's blocks. `window` remembers the run of
  // file memory last found, so that a walk in slot order asks the file
  // once per run.
  struct InPlaceWindow {
    std::int64_t first = 0;  // file positions [first, last) lie at `base`
    std::int64_t last = 0;
    const std::uint8_t* base = nullptr;
    EngineBlock spanning;  // an image that spans two blocks, copied
  };
  bool beginInPlaceReads();
  const std::uint8_t* imageInPlace(std::int32_t number, InPlaceWindow& window);
  // Whether another slot may be appended to a table with this next record
  // number and record size.
  static bool canAppend(std::int64_t nextRecord, int recordSize);
  // The slot a new record goes to: the head of the free chain, else the
  // next record number (9479 when the table is full).
  std::int32_t slotForNewRecord() const;
  // Makes sure the next appendSlot or takeFreeSlot cannot fail: the free
  // chain's head is read and checked (8962), or a cache entry and room in
  // the file wait for a new slot (9479 when full, 11016 without memory).
  // Until then the caller reads no other record.
  void prepareNewRecord();
  // Appends slot `next record number` holding `image`, a full record image
  // that carries the slot's number; `image` gets a spare block in return
  // (9479 when full).
  Record& appendSlot(EngineBlock& image);
  // Takes the free chain's head for reuse (8962 when the chain is broken).
  Record& takeFreeSlot();
  // Marks a record deleted and makes its slot the head of the free chain.
  void markDeleted(Record& record);
  // The auto-increment value the next record gets, and taking it.
  std::int32_t peekNextAutoIncrement() const;
  std::int32_t takeNextAutoIncrement();

  // Tests that need a table near its slot limit move the counter instead of
  // writing 100 million records; slots past the real ones are never read.
  void setNextRecordNumber(std::int32_t next);

 private:
  [[noreturn]] void corruptRecords() const;
  [[noreturn]] void corruptHeader() const;
  std::int64_t slotOffset(std::int32_t number) const {
    return dataStart_ + static_cast<std::int64_t>(number - 1) * recordSize_;
  }
  Record* findCached(std::int32_t number);
  void remember(Record* record);
  Record* takeFreeEntry();
  void makeRoom(int count);
  void writeBack(Record& record);
  void readRun(std::int32_t number, Access access);
  void writeHeader();
  void resetCache();

  std::string tableName_;
  FileHandler file_;
  DataHeader header_;
  bool headerChanged_ = false;
  std::vector<FieldDescriptor> fields_;
  int recordSize_ = 0;
  std::int64_t dataStart_ = kDataStart;

  // Cached records sorted by number; `mru_` holds the most recently used
  // ones, searched first. Entries are recycled, never freed while open.
  std::vector<Record*> sorted_;
  std::array<Record*, 4> mru_{};
  std::vector<std::unique_ptr<Record>> pool_;
  std::vector<Record*> spare_;
  int limit_ = 1;
  int run_ = 1;
  EngineBlock runBuffer_;            // a run as read from the file
  std::vector<Record*> runRecords_;  // the entries a run is read into
};

// Today's day number (0001-01-01 = day 1).
std::int32_t todayDayNumber();

}  // namespace morvel
