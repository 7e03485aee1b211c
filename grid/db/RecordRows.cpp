// Reading records' cells into runs of rows; see RecordRows.h.
#include "grid/db/RecordRows.h"

#include <cstring>

#include "base/DateText.h"
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
        break;
      case ftDateTime:
        // The field's own text of a date-time is the general form.
        reader.kind = Kind::dateTime;
        if (!dateTimes_) dateTimes_ = std::make_unique<DateTimeColumnFormatter>(std::string_view());
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
                          [&field](double v, std::string& out) { field.valueText(v, out); });
        rows.texts.append(text_);
        break;
      }
      case Kind::dateTime:
        rows.texts.append(
            dateTimes_->text(static_cast<const DateTimeField&>(*reader.field).valueOf(native)));
        break;
      case Kind::other:
        reader.field->textOf(native, text_);
        rows.texts.append(text_);
        break;
    }
  }
  rows.textEnds.push_back(static_cast<std::uint32_t>(rows.texts.size()));
}

}  // namespace morvel
