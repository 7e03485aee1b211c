// Reading records' cells into runs of rows; see RecordRows.h.
#include "grid/db/RecordRows.h"

#include <cmath>
#include <cstring>
#include <limits>

#include "base/DateText.h"
#include "base/FormatSettings.h"
#include "table/Field.h"

namespace morvel {

RecordRowReader::RecordRowReader(const std::vector<Column>& columns, const Field* keyField)
    : keyField_(keyField) {
  readers_.resize(columns.size());
  for (std::size_t i = 0; i < columns.size(); ++i) {
    Reader& reader = readers_[i];
    const Field* field = columns[i].field;
    if (!field) continue;
    reader.field = field;
    reader.place.emplace(field->placeInRecords());
    reader.storesValue = columns[i].storesValue;
    switch (field->dataType()) {
      case ftString:
        reader.kind = Kind::text;
        reader.size = static_cast<std::size_t>(field->size());
        break;
      case ftDate:
        reader.kind = Kind::date;
        // The field's own text of a date is the short date.
        if (!dates_) {
          dates_ = std::make_unique<DateTimeColumnFormatter>(formatSettings().dateFormatShort);
        }
        break;
      case ftDateTime:
        reader.kind = Kind::dateTime;
        break;
      default:
        reader.kind = Kind::other;
        break;
    }
  }
  if (keyField_) keyPlace_.emplace(keyField_->placeInRecords());
}

RecordRowReader::~RecordRowReader() = default;

void RecordRowReader::read(const std::uint8_t* record, RecordRows& rows) {
  for (std::size_t i = 0; i < readers_.size(); ++i) {
    Reader& reader = readers_[i];
    const std::uint8_t* native = reader.place ? reader.place->in(record) : nullptr;
    addText(reader, native, rows);
    if (reader.kind == Kind::dateTime) {
      rows.dateTimes.push_back(
          native ? static_cast<const DateTimeField&>(*reader.field).valueOf(native)
                 : std::numeric_limits<double>::quiet_NaN());
    }
    if (reader.storesValue) {
      rows.values.emplace_back(reader.field->variantOf(native));
      rows.values.back().setAux(static_cast<std::uint16_t>(i), 0);
    }
  }
  rows.valueEnds.push_back(static_cast<std::uint32_t>(rows.values.size()));
  rows.keys.emplace_back(keyField_ ? keyField_->variantOf(keyPlace_->in(record)) : Variant::null());
}

void RecordRowReader::addText(Reader& reader, const std::uint8_t* native, RecordRows& rows) {
  if (native) {
    switch (reader.kind) {
      case Kind::none:
        break;
      case Kind::text: {
        const auto* chars = reinterpret_cast<const char*>(native);
        rows.texts.append(chars, strnlen(chars, reader.size));
        break;
      }
      case Kind::date: {
        const auto& field = static_cast<const DateTimeField&>(*reader.field);
        reader.dates.text(field.valueOf(native), text_,
                          [this](double v, std::string& out) { out.assign(dates_->text(v)); });
        rows.texts.append(text_);
        break;
      }
      case Kind::dateTime:
        break;  // made by RecordRowTexts
      case Kind::other:
        reader.field->textOf(native, text_);
        rows.texts.append(text_);
        break;
    }
  }
  rows.textEnds.push_back(static_cast<std::uint32_t>(rows.texts.size()));
}

RecordRowTexts::RecordRowTexts(const RecordRowReader& reader) {
  later_.resize(reader.columnCount());
  for (std::size_t i = 0; i < later_.size(); ++i) {
    later_[i] = reader.textLater(i);
    if (later_[i]) ++laterCount_;
  }
  // The field's own text of a date-time is the general form.
  if (laterCount_ > 0) dateTimes_ = std::make_unique<DateTimeColumnFormatter>(std::string_view());
  madeEnds_.resize(laterCount_);
  views_.resize(later_.size());
}

RecordRowTexts::~RecordRowTexts() = default;

const std::vector<std::string_view>& RecordRowTexts::of(const RecordRows& rows, std::size_t r) {
  // The date-times' texts first, all of them, so that the views into them
  // are made once the buffer no longer moves.
  made_.clear();
  for (std::size_t k = 0; k < laterCount_; ++k) {
    const double value = rows.dateTimes[r * laterCount_ + k];
    if (!std::isnan(value)) made_.append(dateTimes_->text(value));
    madeEnds_[k] = static_cast<std::uint32_t>(made_.size());
  }
  const std::size_t n = later_.size();
  const std::string_view texts = rows.texts;
  std::size_t begin = r * n == 0 ? 0 : rows.textEnds[r * n - 1];
  std::uint32_t madeBegin = 0;
  std::size_t k = 0;
  for (std::size_t i = 0; i < n; ++i) {
    const std::size_t end = rows.textEnds[r * n + i];
    if (later_[i]) {
      views_[i] = std::string_view(made_).substr(madeBegin, madeEnds_[k] - madeBegin);
      madeBegin = madeEnds_[k++];
    } else {
      views_[i] = texts.substr(begin, end - begin);
    }
    begin = end;
  }
  return views_;
}

}  // namespace morvel
