// The grid's keys: moving the focused row, expanding and collapsing, and
// copying the header line and the focused or selected rows as text.
#include <algorithm>

#include "base/ScopeGuard.h"
#include "grid/view/CustomTreeListControl.h"

namespace morvel {

bool CustomTreeListControl::keyDown(int key, ShiftState shift) {
  if (onKeyDown) {
    onKeyDown(*this, key, shift);
    if (key == 0) return true;
  }
  if (dragScrolling()) {
    if (key == vkEscape) endDragScroll();
    return true;
  }
  // Escape ends any press, sizing or drag without acting on it; while a
  // header, band, corner or sizing line is held no other key counts. A held
  // row lets the keys through.
  if (mouseState() != MouseState::Idle && mouseState() != MouseState::Editing) {
    if (key == vkEscape) cancelMouseState();
    if (mouseState() != MouseState::RowPressed) return true;
  }
  const bool ctrl = (shift & ssCtrl) != 0;
  if (ctrl && (key == 'C' || key == vkInsert)) {
    copyToClipboard();
    return true;
  }
  if (topCount() == 0) return false;
  beginSelectionBatch();
  const Finally endBatch([this] { endSelectionBatch(); });
  return navigate(key, shift);
}

bool CustomTreeListControl::navigate(int key, ShiftState shift) {
  const bool ctrl = (shift & ssCtrl) != 0;
  TreeListNode* focused = focusedNode();
  const int index = focused ? visibleIndexOf(focused) : -1;
  const int last = visibleCount() - 1;
  switch (key) {
    case vkUp:
      setFocusedVisibleIndex(std::max(index - 1, 0));
      return true;
    case vkDown:
      setFocusedVisibleIndex(std::min(index + 1, last));
      return true;
    case vkPrior:
    case vkNext: {
      const int top = std::max(visibleIndexOf(topNode()), 0);
      const int bottom = std::min(top + visibleRowCount() - 1, last);
      const int step = std::max(visibleRowCount() - 1, 1);
      if (key == vkPrior) {
        setFocusedVisibleIndex(index > top && index < bottom ? top : std::max(index - step, 0));
      } else {
        setFocusedVisibleIndex(index > top && index < bottom ? bottom
                                                             : std::min(index + step, last));
      }
      return true;
    }
    case vkHome:
      setFocusedVisibleIndex(0);
      return true;
    case vkEnd:
      setFocusedVisibleIndex(last);
      return true;
    case vkLeft:
      if (!focused) return true;
      focused->makeVisible();
      if (focused->expanded() && focused->hasChildren()) {
        focused->collapse(false);
      } else if (focused->parent() && focused->index() == 0) {
        setFocusedNode(focused->parent(), focusedColumn(), true);
      } else if (index > 0) {
        setFocusedVisibleIndex(index - 1);
      }
      return true;
    case vkRight:
      if (!focused) return true;
      focused->makeVisible();
      if (focused->hasChildren() && !focused->expanded()) {
        focused->expand(false);
      } else if (focused->hasChildren() && focused->count() > 0) {
        setFocusedNode(focused->items(0), focusedColumn(), true);
      } else {
        setFocusedVisibleIndex(std::min(visibleIndexOf(focused) + 1, last));
      }
      return true;
    case vkTab:
      if (!options().has(goTabs) || ctrl) return false;
      setFocusedVisibleIndex((shift & ssShift) ? std::max(index - 1, 0)
                                               : std::min(index + 1, last));
      return true;
    case vkEscape:
      clearSelection();
      return true;
    default:
      return false;
  }
}

bool CustomTreeListControl::keyPress(std::string_view text) {
  TreeListNode* focused = focusedNode();
  if (text.size() != 1 || !focused) return false;
  switch (text[0]) {
    case '+':
      focused->makeVisible();
      focused->expand(false);
      return true;
    case '-':
      focused->makeVisible();
      focused->collapse(false);
      return true;
    case '*':
      if (focused->hasChildren()) focused->expand(true);
      return true;
    default:
      return false;
  }
}

std::string CustomTreeListControl::copyText() const {
  std::string out;
  std::vector<TreeListColumn*> shown;
  for (int i = 0; i < visibleColumnCount(); ++i) shown.push_back(visibleColumns(i));
  for (std::size_t i = 0; i < shown.size(); ++i) {
    if (i > 0) out += '\t';
    out += shown[i]->caption();
  }
  out += "\r\n";
  std::vector<TreeListNode*> rows;
  for (int i = 0; i < selectedCount(); ++i) rows.push_back(selectedNodes(i));
  if (rows.empty() && focusedNode()) rows.push_back(focusedNode());
  std::string buffer;
  std::string display;
  for (TreeListNode* node : rows) {
    if (isGroupRow(*node)) {
      out += groupRowText(*node);
    } else {
      for (std::size_t i = 0; i < shown.size(); ++i) {
        if (i > 0) out += '\t';
        display.clear();
        shown[i]->getDisplayText(*node, getNodeString(*node, shown[i]->index(), buffer), display);
        out += display;
      }
    }
    out += "\r\n";
  }
  return out;
}

void CustomTreeListControl::copyToClipboard() { host().services().setClipboardText(copyText()); }

}  // namespace morvel
