// The data-bound column kinds; see DBGridColumns.h.
#include "grid/db/DBGridColumns.h"

#include <algorithm>
#include <cctype>

#include "base/StringUtils.h"
#include "grid/db/CustomDBGrid.h"
#include "table/DataSet.h"

namespace morvel {

int valueTypeFor(FieldType type) {
  switch (type) {
    case ftUnknown:
      return kValueTypeUnknown;
    case ftSmallint:
      return kValueTypeSmallint;
    case ftInteger:
    case ftWord:
    case ftAutoInc:
      return kValueTypeInteger;
    case ftFloat:
      return kValueTypeDouble;
    case ftCurrency:
    case ftBCD:
      return kValueTypeCurrency;
    case ftDate:
    case ftTime:
    case ftDateTime:
      return kValueTypeDate;
    default:
      return kValueTypeString;
  }
}

// --- DBTreeListColumn ------------------------------------------------------------

DBTreeListColumn::DBTreeListColumn() = default;

DBTreeListColumn::~DBTreeListColumn() {
  if (field_) field_->removeFreeNotification(this);
}

CustomDBGrid* DBTreeListColumn::dbGrid() const { return dynamic_cast<CustomDBGrid*>(treeList()); }

void DBTreeListColumn::bindField(Field* field) {
  if (field == field_) return;
  if (field_) field_->removeFreeNotification(this);
  field_ = field;
  dateField_ = dynamic_cast<const DateTimeField*>(field);
  if (field_) {
    field_->addFreeNotification(this, [this](Field&) {
      field_ = nullptr;
      dateField_ = nullptr;
    });
  }
}

void DBTreeListColumn::setFieldName(std::string_view name) {
  const std::string old = fieldName_;
  CustomDBGrid* grid = dbGrid();
  DataSet* dataSet = grid ? grid->dataSet() : nullptr;
  const bool gridLoading = grid && grid->componentLoading();
  if (groupIndex_ >= 0 && grid && grid->dataLink().linkActive() && !gridLoading) {
    if (!dataSet || !dataSet->lookupField(name)) setGroupIndex(-1);
  }
  Field* field = nullptr;
  if (dataSet && !gridLoading && !name.empty()) field = dataSet->lookupField(name);
  fieldName_ = name;
  bindField(field);
  if (grid && !grid->locked()) changed(false);
  if (grid && !gridLoading && fieldName_ != old) grid->retestGroupColumn(this);
}

void DBTreeListColumn::setDisableGrouping(bool value) {
  if (value == disableGrouping_) return;
  disableGrouping_ = value;
  if (value && groupIndex_ >= 0) {
    setGroupIndex(-1);
  } else {
    changed(false);
  }
}

void DBTreeListColumn::setGroupIndex(int value) {
  if (value < -1) return;
  CustomDBGrid* grid = dbGrid();
  if (!grid || grid->componentLoading()) {
    groupIndex_ = value;
    return;
  }
  grid->setGroupColumn(this, value);
}

void DBTreeListColumn::setSummaryType(SummaryType type) {
  summaryType_ = type;
  changed(false);
}

void DBTreeListColumn::setSummaryFooterType(SummaryType type) {
  summaryFooterType_ = type;
  changed(false);
}

Alignment DBTreeListColumn::defaultAlignment() const {
  return field_ ? field_->alignment() : taLeftJustify;
}

std::string DBTreeListColumn::defaultCaption() const {
  return field_ ? field_->displayLabel() : fieldName_;
}

bool DBTreeListColumn::defaultReadOnly() const { return field_ && field_->readOnly(); }

int DBTreeListColumn::defaultWidth() const {
  int width = 64;
  auto* grid = dynamic_cast<CustomTreeListControl*>(treeList());
  if (!grid) return width;
  Canvas& canvas = grid->host().canvas();
  canvas.setFont(grid->font());
  const std::string text = caption();
  if (!text.empty()) width = canvas.textWidth(text) + 6;
  if (field_) {
    // The platform's metrics know no overhang: it counts as 0.
    canvas.setFont(font());
    const int digits = canvas.zeroWidth() * field_->displayWidth() + 4;
    width = std::max(width, digits);
  }
  return width;
}

void DBTreeListColumn::restoreDefaults() {
  TreeListColumn::restoreDefaults();
  disableGrouping_ = false;
  summaryGroupName_.clear();
}

void DBTreeListColumn::setColumnIndex(int index) {
  CustomDBGrid* grid = dbGrid();
  if (grid && grid->defaultFields() && grid->dataLink().linkActive() && field_) {
    // The field list follows the columns: the field takes the place of the
    // field shown at the new position, or the end.
    DataSet* dataSet = grid->dataSet();
    const auto* target = dynamic_cast<DBTreeListColumn*>(grid->columns(index));
    const int fieldIndex = target && target->field_ ? target->field_->index()
                                                    : (dataSet ? dataSet->fieldTotal() - 1 : 0);
    field_->setIndex(fieldIndex);
  }
  TreeListColumn::setColumnIndex(index);
}

bool DBTreeListColumn::showsOwnText() const {
  return !field_->onGetText && (!dateField_ || dateField_->displayFormat().empty());
}

void DBTreeListColumn::fieldDisplayText(std::string& out) const {
  out.clear();
  if (!field_) return;
  if (showsOwnText()) {
    // The common case, without building a new string per cell.
    field_->getText(out);
    return;
  }
  out = field_->displayString();
}

void DBTreeListColumn::storedCellText(const Variant& value, std::string& out) const {
  if (dateField_ && showsOwnText()) {
    if (value.kind() == vkDate) {
      dateField_->valueText(value.dateValue(), out);
      return;
    }
    if (value.isNull()) {
      out.clear();  // a blank date has no text
      return;
    }
  }
  storedCellText(out);
}

void DBTreeListColumn::setFieldEditText(Field& field, std::string_view text) {
  const FieldType type = field.dataType();
  if (type == ftDate || type == ftTime || type == ftDateTime) {
    if (text.empty()) {
      field.makeBlank();
      return;
    }
    field.setVariantValue(Variant::date(Variant(text).toDateTime()));
    return;
  }
  field.setAsText(text);
}

int DBTreeListColumn::valueType() const {
  return field_ ? valueTypeFor(field_->dataType()) : kValueTypeUnknown;
}

std::string DBTreeListColumn::footerText() const {
  CustomDBGrid* grid = dbGrid();
  return grid ? grid->footerSummaryText(*this) : std::string();
}

// --- Mask column ---------------------------------------------------------------------

std::string DBTreeListMaskColumn::editMask() const {
  if (editMaskAssigned_) return editMask_;
  return field() ? field()->editMask() : std::string();
}

void DBTreeListMaskColumn::setEditMask(std::string_view mask) {
  if (mask == editMask()) return;
  editMask_ = mask;
  editMaskAssigned_ = true;
  changed(false);
}

void DBTreeListMaskColumn::restoreDefaults() {
  editMask_ = field() ? field()->editMask() : std::string();
  editMaskAssigned_ = false;
  DBTreeListColumn::restoreDefaults();
}

// --- Drop-down and date columns ------------------------------------------------------

void DBTreeListDropDownColumn::setShowButtonStyle(ShowButtonStyle style) {
  if (style == showButtonStyle_) return;
  showButtonStyle_ = style;
  changed(false);
}

bool DBTreeListDropDownColumn::showsButton(bool showAlways, bool rowFocused) const {
  return showButtonStyle_ != sbNone && showAlways && (rowFocused || showButtonStyle_ == sbAlways);
}

void DBTreeListDropDownColumn::restoreDefaults() {
  dropDownRows_ = 7;
  popupBorder_ = pbDefault;
  showButtonStyle_ = sbDefault;
  immediateDropDown_ = false;
  DBTreeListColumn::restoreDefaults();
}

void DBTreeListDateColumn::restoreDefaults() {
  dateButtons_ = btnToday | btnClear;
  dateOnError_ = deToday;
  dateValidation_ = false;
  saveTime_ = true;
  useEditMask_ = false;
  DBTreeListDropDownColumn::restoreDefaults();
}

std::string DBTreeListDateColumn::editMaskFor(std::string_view format) {
  std::string mask = "!";
  std::size_t i = 0;
  while (i < format.size()) {
    const char c = format[i];
    const char upper = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    if (upper == 'M' || upper == 'D' || upper == 'Y') {
      std::size_t run = 1;
      while (i + run < format.size() &&
             std::toupper(static_cast<unsigned char>(format[i + run])) == upper) {
        ++run;
      }
      if (run <= 2) {
        mask += "99";
      } else if (upper == 'Y') {
        mask += "9999";
      } else if (upper == 'M') {
        mask += "lll";
      } else {
        mask += "99";
      }
      i += run;
      continue;
    }
    mask += c;
    ++i;
  }
  mask += ";1; ";
  return mask;
}

// --- Check column ----------------------------------------------------------------------

DBTreeListCheckColumn::DBTreeListCheckColumn() { setMinWidth(16); }

int DBTreeListCheckColumn::cellState(std::string_view text) const {
  if (equalsIgnoringAsciiCase(text, valueChecked_)) return 1;
  if (equalsIgnoringAsciiCase(text, valueUnchecked_)) return 0;
  return -1;
}

std::string DBGridCheckColumn::displayTextFor(std::string_view text) const {
  const int state = cellState(text);
  const std::string& shown = state == 1   ? displayChecked
                             : state == 0 ? displayUnChecked
                                          : displayNull;
  return shown.empty() ? std::string(text) : shown;
}

// --- Choosing a kind -----------------------------------------------------------------

std::unique_ptr<DBTreeListColumn> columnClassFor(const Field& field) {
  if (field.fieldKind() == fkLookup) return std::make_unique<DBGridLookupColumn>();
  switch (field.dataType()) {
    case ftBoolean:
      return std::make_unique<DBGridCheckColumn>();
    case ftDate:
    case ftDateTime:
      return std::make_unique<DBGridDateColumn>();
    case ftBytes:
    case ftVarBytes:
    case ftBlob:
    case ftMemo:
    case ftGraphic:
    case ftFmtMemo:
    case ftParadoxOle:
    case ftDBaseOle:
    case ftTypedBinary:
      return std::make_unique<DBGridButtonColumn>();
    default:
      return std::make_unique<DBGridMaskColumn>();
  }
}

}  // namespace morvel
