// The data-bound grid's columns: DBTreeListColumn binds a column to a field
// of the grid's dataset by name and gives the grid the cell texts and values
// of that field; the kinds below it (mask, date, drop-down, lookup, check,
// button) differ in how their cells are edited, which this program never
// does, and in a few display defaults. ColumnClassFor picks the kind for a
// field.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>

#include "base/Variant.h"
#include "grid/tree/TreeListColumn.h"
#include "table/Field.h"

namespace morvel {

class CustomDBGrid;
class TreeListNode;

enum SummaryType { cstNone, cstSum, cstMin, cstMax, cstCount, cstAvg };

// Variant type codes a column's values have (ValueType): strings sort by
// their text, everything else by the stored value.
constexpr int kValueTypeSmallint = 2;
constexpr int kValueTypeInteger = 3;
constexpr int kValueTypeDouble = 5;
constexpr int kValueTypeCurrency = 6;
constexpr int kValueTypeDate = 7;
constexpr int kValueTypeUnknown = 13;
constexpr int kValueTypeString = 256;

// The value type of a field type.
int valueTypeFor(FieldType type);

class DBTreeListColumn : public TreeListColumn {
 public:
  using GetTextEvent =
      std::function<void(DBTreeListColumn& sender, TreeListNode* node, std::string& text)>;
  using SummaryEvent =
      std::function<void(DBTreeListColumn& sender, TreeListNode* node, long double& value)>;

  DBTreeListColumn();
  ~DBTreeListColumn() override;

  // The grid this column belongs to when it is a data-bound grid.
  CustomDBGrid* dbGrid() const;

  const std::string& fieldName() const { return fieldName_; }
  // Binds the column to the dataset's field of that name (see the grid).
  virtual void setFieldName(std::string_view name);
  // The bound field; none when the name names no field of the dataset.
  Field* field() const { return field_; }

  bool disableGrouping() const { return disableGrouping_; }
  void setDisableGrouping(bool value);
  // The column's level in the grid's grouping; -1 when not grouped.
  int groupIndex() const { return groupIndex_; }
  void setGroupIndex(int value);

  SummaryType summaryType() const { return summaryType_; }
  void setSummaryType(SummaryType type);
  const std::string& summaryField() const { return summaryField_; }
  void setSummaryField(std::string_view name) { summaryField_ = name; }
  const std::string& summaryFormat() const { return summaryFormat_; }
  void setSummaryFormat(std::string_view format) { summaryFormat_ = format; }
  const std::string& summaryGroupName() const { return summaryGroupName_; }
  void setSummaryGroupName(std::string_view name) { summaryGroupName_ = name; }
  bool sortBySummary() const { return sortBySummary_; }
  void setSortBySummary(bool value) { sortBySummary_ = value; }
  SummaryType summaryFooterType() const { return summaryFooterType_; }
  void setSummaryFooterType(SummaryType type);
  const std::string& summaryFooterField() const { return summaryFooterField_; }
  void setSummaryFooterField(std::string_view name) { summaryFooterField_ = name; }
  const std::string& summaryFooterFormat() const { return summaryFooterFormat_; }
  void setSummaryFooterFormat(std::string_view format) { summaryFooterFormat_ = format; }
  // The footer accumulator and record count, kept by the grid.
  long double footerValue = 0;
  long long footerCount = 0;

  GetTextEvent onGetText;
  SummaryEvent onSummary;
  SummaryEvent onSummaryFooter;

  // --- Defaults from the bound field -----------------------------------------
  Alignment defaultAlignment() const override;
  std::string defaultCaption() const override;
  bool defaultReadOnly() const override;
  int defaultWidth() const override;
  void restoreDefaults() override;
  void setColumnIndex(int index) override;

  // --- What the column gives the grid ----------------------------------------
  // Whether cells keep the field's value beyond the grid's own rule.
  virtual bool storesValues() const { return false; }
  // The field's display text (empty without a field), written into `out`.
  virtual void fieldDisplayText(std::string& out) const;
  virtual std::string fieldEditText(Field& field) const { return field.editString(); }
  virtual void setFieldEditText(Field& field, std::string_view text);
  // The text a group row shows for its stored cell text.
  virtual std::string displayTextFor(std::string_view text) const { return std::string(text); }
  virtual std::string valueText(const Variant& value) const { return value.toText(); }
  // One of the kValueType codes.
  virtual int valueType() const;
  virtual bool editsBlobs() const { return false; }
  virtual std::string footerText() const;
  // The cell text the grid stores for the current record: the display text
  // passed through valueText, which for every kind here leaves it unchanged.
  virtual void storedCellText(std::string& out) const { fieldDisplayText(out); }
  // The same, given the field's value just read: a plain date field's text
  // is made from that value rather than read from the record again.
  void storedCellText(const Variant& value, std::string& out) const;

 protected:
  // Binds to `field`, watching for its destruction.
  void bindField(Field* field);

 private:
  friend class CustomDBGrid;

  std::string fieldName_;
  Field* field_ = nullptr;
  // The bound field as a date field, when it is one: its text needs no
  // display string built when it has no display format.
  const DateTimeField* dateField_ = nullptr;
  // Whether the bound field's display text is its plain text: no text event,
  // no date display format.
  bool showsOwnText() const;
  bool disableGrouping_ = false;
  int groupIndex_ = -1;
  SummaryType summaryType_ = cstNone;
  std::string summaryField_;
  std::string summaryFormat_;
  std::string summaryGroupName_;
  bool sortBySummary_ = false;
  SummaryType summaryFooterType_ = cstNone;
  std::string summaryFooterField_;
  std::string summaryFooterFormat_;
};

// The grid's published variant: the grouping and summary properties.
class DBGridColumn : public DBTreeListColumn {};

class DBTreeListMaskColumn : public DBTreeListColumn {
 public:
  // The column's own mask once one was assigned, else the field's.
  std::string editMask() const;
  void setEditMask(std::string_view mask);
  bool editMaskAssigned() const { return editMaskAssigned_; }
  void restoreDefaults() override;

 private:
  std::string editMask_;
  bool editMaskAssigned_ = false;
};

class DBGridMaskColumn : public DBTreeListMaskColumn {};

enum ShowButtonStyle { sbDefault, sbAlways, sbNone };
enum PopupBorder { pbDefault, pbSingle, pbFrame3D };

class DBTreeListDropDownColumn : public DBTreeListColumn {
 public:
  using NotifyEvent = std::function<void(DBTreeListColumn& sender)>;

  ShowButtonStyle showButtonStyle() const { return showButtonStyle_; }
  void setShowButtonStyle(ShowButtonStyle style);
  int dropDownRows() const { return dropDownRows_; }
  void setDropDownRows(int rows) { dropDownRows_ = rows; }
  PopupBorder popupBorder() const { return popupBorder_; }
  void setPopupBorder(PopupBorder border) { popupBorder_ = border; }
  bool immediateDropDown() const { return immediateDropDown_; }
  void setImmediateDropDown(bool value) { immediateDropDown_ = value; }
  // Whether a row shows the drop-down button (`showAlways`: the grid shows
  // editor buttons in every row).
  bool showsButton(bool showAlways, bool rowFocused) const;
  void restoreDefaults() override;

  NotifyEvent onEditButtonClick;

 private:
  ShowButtonStyle showButtonStyle_ = sbDefault;
  int dropDownRows_ = 7;
  PopupBorder popupBorder_ = pbDefault;
  bool immediateDropDown_ = false;
};

enum DateButton : unsigned { btnToday = 1, btnClear = 2 };
enum DateOnError { deToday, deNull };

// The value the date editor's "Clear" gives: no date.
constexpr double kNullDate = -700000;

class DBTreeListDateColumn : public DBTreeListDropDownColumn {
 public:
  unsigned dateButtons() const { return dateButtons_; }
  void setDateButtons(unsigned buttons) { dateButtons_ = buttons; }
  DateOnError dateOnError() const { return dateOnError_; }
  void setDateOnError(DateOnError value) { dateOnError_ = value; }
  bool dateValidation() const { return dateValidation_; }
  void setDateValidation(bool value) { dateValidation_ = value; }
  bool saveTime() const { return saveTime_; }
  void setSaveTime(bool value) { saveTime_ = value; }
  bool useEditMask() const { return useEditMask_; }
  void setUseEditMask(bool value) { useEditMask_ = value; }
  void restoreDefaults() override;

  // The input mask the date editor uses with UseEditMask, built from a
  // short date format ("dd/mm/yyyy" gives "!99/99/9999;1; ").
  static std::string editMaskFor(std::string_view shortDateFormat);

 private:
  unsigned dateButtons_ = btnToday | btnClear;
  DateOnError dateOnError_ = deToday;
  bool dateValidation_ = false;
  bool saveTime_ = true;
  bool useEditMask_ = false;
};

class DBGridDateColumn : public DBTreeListDateColumn {};

class DBTreeListLookupColumn : public DBTreeListDropDownColumn {
 public:
  std::string listFieldName;
  int listFieldIndex = 0;
  int listWidth = 0;
};

class DBGridLookupColumn : public DBTreeListLookupColumn {};

enum NullStyle { nsUnchecked, nsInactive, nsGrayedChecked };

class DBTreeListCheckColumn : public DBTreeListColumn {
 public:
  DBTreeListCheckColumn();
  const std::string& valueChecked() const { return valueChecked_; }
  void setValueChecked(std::string_view text) { valueChecked_ = text; }
  const std::string& valueUnchecked() const { return valueUnchecked_; }
  void setValueUnchecked(std::string_view text) { valueUnchecked_ = text; }
  // A cell's state from its text: checked, unchecked, or null (-1).
  int cellState(std::string_view text) const;
  bool border3D = false;
  NullStyle showNullFieldStyle = nsUnchecked;

 private:
  std::string valueChecked_ = "True";
  std::string valueUnchecked_ = "False";
};

class DBGridCheckColumn : public DBTreeListCheckColumn {
 public:
  // Texts a group row shows for the three states when not empty.
  std::string displayChecked;
  std::string displayUnChecked;
  std::string displayNull;
  std::string displayTextFor(std::string_view text) const override;
};

enum EditButtonStyle { ebsSimple, ebsEllipsis, ebsDown, ebsGlyph };

class DBTreeListButtonColumn : public DBTreeListColumn {
 public:
  EditButtonStyle editButtonStyle = ebsEllipsis;
  bool buttonOnly = false;
  bool hideEditCursor = false;
  ShowButtonStyle showButtonStyle = sbDefault;
};

class DBGridButtonColumn : public DBTreeListButtonColumn {};

// The column kind grid set-up makes for a field: lookup fields a lookup
// column, booleans a check column, dates and date-times a date column, the
// byte and blob types a button column, everything else a mask column.
std::unique_ptr<DBTreeListColumn> columnClassFor(const Field& field);

}  // namespace morvel
