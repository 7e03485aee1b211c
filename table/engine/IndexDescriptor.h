// The engine's description of one index (120 bytes, passed to the create
// step and kept in the index file's header) and the validation of a table's
// index list.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "table/engine/FieldDescriptor.h"

namespace morvel {

// Index descriptor, little-endian; every byte not listed is zero:
//
//   OFFSET  SIZE  MEANING
//        0    31  name: length byte + up to 30 characters (empty for the primary)
//       31     2  key length (computed)
//       33     1  descending
//       34     1  case-insensitive
//       35     1  unique (always 1 for the primary)
//       36     1  key compression mode 0–3 (pages are always written uncompressed)
//       37     1  number of key fields (0–16)
//       38    16  per-field descending flags
//       54    32  key field numbers, 16 × 2 bytes
//       86     4  offset of the root page (0 = empty index)
//       90     4  offset of the first page of the free-page chain (0 = none)
class IndexDescriptor {
 public:
  static constexpr std::size_t kSize = 120;
  static constexpr std::size_t kName = 0;
  static constexpr std::size_t kMaxName = 30;
  static constexpr std::size_t kKeyLength = 31;
  static constexpr std::size_t kDescending = 33;
  static constexpr std::size_t kCaseInsensitive = 34;
  static constexpr std::size_t kUnique = 35;
  static constexpr std::size_t kCompression = 36;
  static constexpr std::size_t kFieldCount = 37;
  static constexpr std::size_t kFieldDescending = 38;
  static constexpr std::size_t kFieldNumbers = 54;
  static constexpr std::size_t kRoot = 86;
  static constexpr std::size_t kFreeHead = 90;
  static constexpr int kMaxKeyFields = 16;

  IndexDescriptor() = default;
  // A descriptor as the table component fills one.
  IndexDescriptor(std::string_view name, const std::vector<int>& fieldNumbers, bool unique = false,
                  bool descending = false, bool caseInsensitive = false);

  std::string name() const;
  void setName(std::string_view name);
  int keyLength() const;
  void setKeyLength(int length);
  bool descending() const { return bytes_[kDescending] != 0; }
  void setDescending(bool v);  // also sets every per-field flag
  bool caseInsensitive() const { return bytes_[kCaseInsensitive] != 0; }
  void setCaseInsensitive(bool v) { bytes_[kCaseInsensitive] = v ? 1 : 0; }
  bool unique() const { return bytes_[kUnique] != 0; }
  void setUnique(bool v) { bytes_[kUnique] = v ? 1 : 0; }
  int compression() const { return bytes_[kCompression]; }
  void setCompression(int mode) { bytes_[kCompression] = static_cast<std::uint8_t>(mode); }
  int fieldCount() const { return bytes_[kFieldCount]; }
  int fieldNumber(int i) const;
  bool fieldDescending(int i) const {
    return bytes_[kFieldDescending + static_cast<std::size_t>(i)] != 0;
  }
  void setFieldDescending(int i, bool v) {
    bytes_[kFieldDescending + static_cast<std::size_t>(i)] = v ? 1 : 0;
  }
  // At most 16 numbers are kept; more make the count 17, which validation refuses.
  void setFields(const std::vector<int>& numbers);
  std::uint32_t root() const;
  void setRoot(std::uint32_t offset);
  std::uint32_t freeHead() const;
  void setFreeHead(std::uint32_t offset);

  const std::uint8_t* bytes() const { return bytes_.data(); }
  std::uint8_t* bytes() { return bytes_.data(); }

 private:
  std::array<std::uint8_t, kSize> bytes_{};
};
static_assert(sizeof(IndexDescriptor) == IndexDescriptor::kSize);
static_assert(IndexDescriptor::kFieldNumbers + 2 * IndexDescriptor::kMaxKeyFields ==
              IndexDescriptor::kRoot);

inline constexpr int kMaxSecondaryIndexes = 32;
inline constexpr int kMaxKeyBytes = 524;
// How an index is named in error texts.
std::string indexDisplayName(const IndexDescriptor& index, bool primary);

// Validates a table's indexes (the primary first, then up to 32
// secondaries) against its validated fields and computes their key lengths;
// roots and free chains are cleared. Errors: 9487 (counts), 10022 (name),
// 10027 (duplicate name), 10023 (field number), 12292 (blob key field),
// 10026 (key size).
void validateIndexes(std::vector<IndexDescriptor>& indexes,
                     const std::vector<FieldDescriptor>& fields, std::string_view table);

}  // namespace morvel
