// A small concrete dataset over an in-memory ordered map, for testing the
// dataset's own logic (window, navigation, changes, notifications) apart from
// the engine. Records are ordered by their auto-increment key, which is also
// the bookmark. Failures can be injected into post, edit and delete.
#pragma once

#include <cstring>
#include <map>
#include <string>
#include <vector>

#include "base/Format.h"
#include "table/DataSet.h"

namespace morvel::testing_support {

class MemoryDataSet : public DataSet {
 public:
  explicit MemoryDataSet(std::string_view name = "tblData") : DataSet(name) {}
  ~MemoryDataSet() override { destroying(); }

  // Failures the next calls raise (each count is used up one by one).
  int failPosts = 0;
  int failEdits = 0;
  int failDeletes = 0;
  bool readOnlyTable = false;
  int buffersInUse = 0;

  int recordTotal() override {
    checkActive();
    return static_cast<int>(records_.size());
  }
  // The text of a string field in the window buffer at a position.
  std::string textAt(int index, const Field& field) const {
    std::vector<std::uint8_t> value(static_cast<std::size_t>(field.dataLength()));
    const std::uint8_t* buffer = windowBuffer(index);
    if (!buffer || !getFieldData(field, buffer, value.data())) return {};
    return reinterpret_cast<const char*>(value.data());
  }
  // Changes a stored record behind the dataset's back, as another cursor would.
  void eraseStored(std::int32_t key) { records_.erase(key); }

 protected:
  void openCursor() override {}
  void internalOpen() override {
    setBookmarkSize(4);
    if (defaultFields()) createDefaultFields();
    bindFields(true);
    offsets_.assign(static_cast<std::size_t>(fieldDefs().count()) + 1, -1);
    lengths_.assign(offsets_.size(), 0);
    recordSize_ = 4;
    for (const FieldDef& def : fieldDefs()) {
      const int length = def.dataType() == ftString     ? def.size() + 1
                         : def.dataType() == ftDateTime ? 8
                                                        : 4;
      lengths_[def.fieldNo()] = length;
      if (def.dataType() == ftAutoInc) {
        offsets_[def.fieldNo()] = 0;
      } else {
        offsets_[def.fieldNo()] = recordSize_;
        recordSize_ += 1 + length;
      }
    }
    position_ = kBof;
  }
  void internalClose() override {
    bindFields(false);
    destroyDefaultFields();
  }
  std::uint8_t* allocateRecordBuffer() override {
    ++buffersInUse;
    return new std::uint8_t[static_cast<std::size_t>(bufferSize())]();
  }
  void freeRecordBuffer(std::uint8_t* buffer) override {
    --buffersInUse;
    delete[] buffer;
  }
  GetResult readRecord(std::uint8_t* buffer, GetMode mode, bool) override {
    auto at = records_.end();
    switch (mode) {
      case gmCurrent:
        if (position_ == kBof) return grBOF;
        if (position_ == kEof) return grEOF;
        at = records_.find(position_);
        if (at == records_.end()) return grError;
        break;
      case gmNext:
        at = position_ == kBof   ? records_.begin()
             : position_ == kEof ? records_.end()
                                 : records_.upper_bound(position_);
        if (at == records_.end()) {
          position_ = kEof;
          return grEOF;
        }
        break;
      case gmPrior:
        at = position_ == kEof ? records_.end() : records_.lower_bound(position_);
        if (position_ == kBof || at == records_.begin()) {
          position_ = kBof;
          return grBOF;
        }
        --at;
        break;
    }
    position_ = at->first;
    std::memcpy(buffer, at->second.data(), static_cast<std::size_t>(recordSize_));
    setBookmarkFlag(buffer, bfCurrent);
    std::memcpy(buffer + bookmarkOffset(), &at->first, 4);
    calculateFields(buffer);
    return grOK;
  }
  void internalFirst() override { position_ = kBof; }
  void internalLast() override { position_ = kEof; }
  void internalInitRecord(std::uint8_t* buffer) override {
    std::memset(buffer, 0, static_cast<std::size_t>(recordSize_));
  }
  void internalEdit() override {
    if (failEdits > 0 && failEdits--) throw DatabaseError("edit refused");
    const auto at = records_.find(position_);
    if (at == records_.end()) throw DatabaseError("No current record");
    std::memcpy(activeBuffer(), at->second.data(), static_cast<std::size_t>(recordSize_));
  }
  void internalPost() override {
    if (failPosts > 0 && failPosts--) throw DatabaseError("post refused");
    std::uint8_t* buffer = activeBuffer();
    std::vector<std::uint8_t> image(buffer, buffer + recordSize_);
    std::int32_t key;
    if (state() == stInsert) {
      key = ++lastKey_;
      std::memcpy(image.data(), &key, 4);
    } else {
      std::memcpy(&key, buffer + bookmarkOffset(), 4);
      std::memcpy(image.data(), &key, 4);
    }
    records_[key] = std::move(image);
    position_ = key;
  }
  void internalDelete() override {
    if (failDeletes > 0 && failDeletes--) throw DatabaseError("delete refused");
    const auto at = records_.find(position_);
    if (at == records_.end()) throw DatabaseError("No current record");
    const auto next = records_.erase(at);
    position_ = next == records_.end() ? kEof : next->first;
  }
  bool getFieldData(const Field& field, const std::uint8_t* buffer,
                    std::uint8_t* value) const override {
    const int number = field.fieldNumber();
    if (number <= 0) return false;
    const int at = offsets_[number];
    if (at == 0) {  // the key: never blank
      std::memcpy(value, buffer, 4);
      return true;
    }
    if (buffer[at] == 0) return false;
    std::memcpy(value, buffer + at + 1, static_cast<std::size_t>(lengths_[number]));
    return true;
  }
  void setFieldData(const Field& field, std::uint8_t* buffer, const std::uint8_t* value) override {
    const int number = field.fieldNumber();
    const int at = offsets_[number];
    if (at == 0) {  // a blank write leaves the key alone
      if (value) std::memcpy(buffer, value, 4);
      return;
    }
    const std::size_t length = static_cast<std::size_t>(lengths_[number]);
    if (!value || (field.dataType() == ftString && value[0] == 0)) {
      std::memset(buffer + at, 0, length + 1);
      return;
    }
    buffer[at] = 1;
    std::memcpy(buffer + at + 1, value, length);
  }
  BookmarkFlag getBookmarkFlag(const std::uint8_t* buffer) const override {
    return static_cast<BookmarkFlag>(buffer[recordSize_]);
  }
  void setBookmarkFlag(std::uint8_t* buffer, BookmarkFlag flag) override {
    buffer[recordSize_] = flag;
  }
  void getBookmarkData(const std::uint8_t* buffer, std::uint8_t* data) const override {
    std::memcpy(data, buffer + bookmarkOffset(), 4);
  }
  void setBookmarkData(std::uint8_t* buffer, const std::uint8_t* data) override {
    std::memcpy(buffer + bookmarkOffset(), data, 4);
  }
  void internalGotoBookmark(const std::uint8_t* bookmark) override {
    std::int32_t key;
    std::memcpy(&key, bookmark, 4);
    const auto at = records_.lower_bound(key);
    position_ = at == records_.end() ? kEof : at->first;
  }
  int compareBookmarks(const std::uint8_t* a, const std::uint8_t* b) override {
    std::int32_t x, y;
    std::memcpy(&x, a, 4);
    std::memcpy(&y, b, 4);
    return x < y ? -1 : (x > y ? 1 : 0);
  }
  bool bookmarkValid(const std::uint8_t* bookmark) override {
    std::int32_t key;
    std::memcpy(&key, bookmark, 4);
    return records_.count(key) != 0;
  }
  bool locateRecord(const std::vector<Field*>& fields, const std::vector<Variant>& values,
                    unsigned) override {
    const std::int32_t saved = position_;
    for (const auto& [key, image] : records_) {
      position_ = key;
      bool all = true;
      for (std::size_t i = 0; i < fields.size() && all; ++i) {
        std::vector<std::uint8_t> probe(static_cast<std::size_t>(bufferSize()));
        std::memcpy(probe.data(), image.data(), image.size());
        std::vector<std::uint8_t> value(static_cast<std::size_t>(fields[i]->dataLength()));
        const bool present = getFieldData(*fields[i], probe.data(), value.data());
        Variant stored = Variant::null();
        if (present && fields[i]->dataType() == ftString) {
          stored = Variant(std::string(reinterpret_cast<const char*>(value.data())));
        } else if (present) {
          std::int32_t number;
          std::memcpy(&number, value.data(), 4);
          stored = Variant(static_cast<long long>(number));
        }
        all = variantsEqual(stored, values[i]);
      }
      if (all) return true;
    }
    position_ = saved;
    return false;
  }
  bool canModify() const override { return !readOnlyTable; }

 private:
  static constexpr std::int32_t kBof = -1;
  static constexpr std::int32_t kEof = -2;
  int bookmarkOffset() const { return recordSize_ + 1; }
  int bufferSize() const { return recordSize_ + 1 + 4; }

  std::map<std::int32_t, std::vector<std::uint8_t>> records_;
  std::int32_t lastKey_ = 0;
  std::int32_t position_ = kBof;
  std::vector<int> offsets_;  // by field number; 0 for the key
  std::vector<int> lengths_;
  int recordSize_ = 4;
};

}  // namespace morvel::testing_support
