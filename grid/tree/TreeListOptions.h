// The grid's option sets. Every member has a fixed bit position; the default
// sets are those of the data-bound grid, which all grids of the program share.
#pragma once

#include <cstdint>
#include <initializer_list>

namespace morvel {

enum GridOption {
  goColumnSizing = 0,
  goColumnMoving = 1,
  goEditing = 2,
  goTabs = 3,
  goTabThrough = 4,
  goRowSelect = 5,
  goMultiSelect = 6,
  goCanDelete = 7,
  goConfirmDelete = 8,
  goCanNavigation = 9,
  goCanAppend = 10,
  goCancelOnExit = 11,
  goImmediateEditor = 12,
  goCanInsert = 13,
  goLoadAllRecords = 14,
  goPreview = 15,
  goDrawEndEllipsis = 16,
  goStoreToRegistry = 17,
  goAutoWidth = 18,
  goShowHourGlass = 19,
  goCaseInsensitive = 20,
  goDblClick = 21,
  goIndicator = 22,
  goExtMultiSelect = 23,
  goResetColumnFocus = 24,
  goExtCustomizing = 25,
  goHideFocusRect = 26,
  goStoreToIniFile = 27,
  goUseLocate = 28,
  goSmartReload = 29,
  goSmartRefresh = 30,
  goSeekDetail = 31,
};

enum GridOptionEx {
  goInvertSelect = 0,
  goUseBitmap = 1,
  goBandHeaderWidth = 2,
  goAutoCalcPreviewLines = 3,
  goBandSizing = 4,
  goBandMoving = 5,
  goHorzThrough = 6,
  goVertThrough = 7,
  goCellMultiSelect = 8,
  goEnterThrough = 9,
  goEnterShowEditor = 10,
  goFullSizing = 11,
  goDragScroll = 12,
  goDragExpand = 13,
  goDragCollapse = 14,
  goRowAutoHeight = 15,
  goBandButtonClicking = 16,
  goBandPanelSizing = 17,
  goHeaderButtonClicking = 18,
  goHeaderPanelSizing = 19,
  goRowSizing = 20,
  goAutoSort = 21,
  goNotHideColumn = 22,
  goMultiSort = 23,
  goShowButtonAlways = 24,
  goAutoHeaderPanelHeight = 25,
  goKeepColumnWidth = 26,
  goSyncSelection = 27,
  goCollapsedReload = 28,
  goAnsiSort = 29,
};

// A set of flags of one option enumeration, stored as its 32-bit word.
template <class Flag>
class OptionSet {
 public:
  constexpr OptionSet() = default;
  constexpr OptionSet(std::initializer_list<Flag> flags) {
    for (Flag f : flags) bits_ |= bit(f);
  }
  static constexpr OptionSet fromValue(std::uint32_t value) {
    OptionSet s;
    s.bits_ = value;
    return s;
  }
  constexpr std::uint32_t value() const { return bits_; }
  constexpr bool has(Flag f) const { return (bits_ & bit(f)) != 0; }
  constexpr OptionSet with(Flag f) const { return fromValue(bits_ | bit(f)); }
  constexpr OptionSet without(Flag f) const { return fromValue(bits_ & ~bit(f)); }
  friend constexpr bool operator==(OptionSet a, OptionSet b) { return a.bits_ == b.bits_; }

 private:
  static constexpr std::uint32_t bit(Flag f) { return std::uint32_t(1) << int(f); }
  std::uint32_t bits_ = 0;
};

using GridOptions = OptionSet<GridOption>;
using GridOptionsEx = OptionSet<GridOptionEx>;

constexpr GridOptions kDefaultGridOptions{
    goColumnSizing,  goColumnMoving,  goEditing,      goTabThrough,      goCanDelete,
    goConfirmDelete, goCanNavigation, goCancelOnExit, goImmediateEditor, goCanInsert};
constexpr GridOptionsEx kDefaultGridOptionsEx{goUseBitmap,  goBandHeaderWidth, goBandSizing,
                                              goBandMoving, goVertThrough,     goEnterShowEditor,
                                              goDragScroll, goAutoSort};
static_assert(kDefaultGridOptions.value() == 15255);
static_assert(kDefaultGridOptionsEx.value() == 2102454);

}  // namespace morvel
