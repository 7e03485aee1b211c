// The column customizing form and its list; see TreeListCustomizing.h.
#include "grid/view/TreeListCustomizing.h"

#include <algorithm>
#include <cstdlib>

#include "base/StringUtils.h"
#include "grid/view/CustomTreeListControl.h"
#include "platform/Edges.h"

namespace morvel {
namespace {

// The list's sunken border.
constexpr int kBorder = 2;

}  // namespace

// --- The list -----------------------------------------------------------------------------

CustomizingListBox::CustomizingListBox(CustomTreeListControl& grid) : grid_(grid) {
  setColor(clBtnFace);
  setFont(grid.font());
}

int CustomizingListBox::itemHeight() const { return grid_.metrics().headerRowHeight; }

Rect CustomizingListBox::itemRect(int index) const {
  const int h = itemHeight();
  return {kBorder, kBorder + index * h, width() - kBorder, kBorder + (index + 1) * h};
}

void CustomizingListBox::setItemIndex(int index) {
  if (index < -1 || index >= static_cast<int>(items_.size())) index = -1;
  if (index == selected_) return;
  selected_ = index;
  invalidate();
}

void CustomizingListBox::refresh() {
  const int oldColumn =
      selected_ >= 0 && selected_ < static_cast<int>(items_.size()) ? items_[selected_].column : -1;
  items_.clear();
  for (int i = 0; i < grid_.columnCount(); ++i) {
    const TreeListColumn* c = grid_.columns(i);
    const bool shown = c->visible() && grid_.columnBand(c);
    if (!shown && !c->disableCustomizing()) items_.push_back({c->caption(), i});
  }
  std::stable_sort(items_.begin(), items_.end(), [](const Item& a, const Item& b) {
    return compareForReading(a.caption, b.caption) < 0;
  });
  int keep = std::min(selected_, static_cast<int>(items_.size()) - 1);
  for (int i = 0; i < static_cast<int>(items_.size()); ++i) {
    if (items_[i].column == oldColumn) keep = i;
  }
  selected_ = keep;
  invalidate();
}

void CustomizingListBox::paint(Canvas& canvas, const Rect& dirty) {
  const Rect all = clientRect();
  Rect inner = grid_.lookAndFeel() == lfFlat ? drawEdge(canvas, all, bdrSunkenOuter)
                                             : drawEdge(canvas, all, edgeSunken);
  canvas.fillRect(inner, color());
  ClipScope clip(canvas, inner);
  canvas.setFont(grid_.headerFont());
  for (int i = 0; i < static_cast<int>(items_.size()); ++i) {
    const Rect r = itemRect(i);
    if (!r.intersects(dirty)) continue;
    grid_.drawHeaderCell(canvas, r, items_[i].caption, taLeftJustify, csNone, false,
                         grid_.colors().headerColor);
    if (i != selected_) continue;
    if (grid_.lookAndFeel() == lfFlat) {
      canvas.invertRect(r);
    } else {
      canvas.drawFocusRect(r.inflated(-2, -2));
    }
  }
}

void CustomizingListBox::mouseDown(MouseButton button, ShiftState, Point p) {
  dragging_ = false;  // a drag the grid ended by itself
  if (button != mbLeft) {
    abandonDrag();
    return;
  }
  const int index = (p.y - kBorder) / std::max(itemHeight(), 1);
  if (p.y < kBorder || index >= static_cast<int>(items_.size())) return;
  setItemIndex(index);
  if (!grid_.visible()) return;
  armed_ = true;
  pressPoint_ = p;
  pressedColumn_ = items_[static_cast<std::size_t>(index)].column;
  if (host()) host()->setMouseCapture(true);
}

void CustomizingListBox::mouseMove(ShiftState, Point p) {
  if (!host()) return;
  const Point screen = host()->clientToScreen(p);
  if (dragging_) {
    grid_.dragToScreenPoint(screen);
    return;
  }
  if (!armed_ || !beyondDragThreshold(pressPoint_, p, kListDragThreshold)) return;
  armed_ = false;
  // The list may have been filled again since the press (a relayout between
  // press and move): drag the pressed column only while it is still listed.
  const bool listed = std::any_of(items_.begin(), items_.end(), [this](const Item& item) {
    return item.column == pressedColumn_;
  });
  TreeListColumn* column = listed ? grid_.columns(pressedColumn_) : nullptr;
  if (!column || !grid_.showHeader()) return;
  dragging_ = true;
  grid_.startHeaderDrag(column);
  grid_.dragToScreenPoint(screen);
}

void CustomizingListBox::mouseUp(MouseButton button, ShiftState, Point p) {
  armed_ = false;
  if (host()) host()->setMouseCapture(false);
  if (!dragging_) return;
  dragging_ = false;
  if (grid_.mouseState() != MouseState::HeaderDragging) return;
  grid_.dragToScreenPoint(host()->clientToScreen(p));
  grid_.endHeaderDrag(button == mbLeft);
}

bool CustomizingListBox::keyDown(int key, ShiftState) {
  if (key == vkEscape && (armed_ || dragging_)) {
    abandonDrag();
    return true;
  }
  if (key == vkUp && selected_ > 0) setItemIndex(selected_ - 1);
  if (key == vkDown && selected_ + 1 < static_cast<int>(items_.size())) setItemIndex(selected_ + 1);
  return key == vkUp || key == vkDown;
}

void CustomizingListBox::captureLost() { abandonDrag(); }

void CustomizingListBox::abandonDrag() {
  armed_ = false;
  if (dragging_ && grid_.mouseState() == MouseState::HeaderDragging) grid_.endHeaderDrag(false);
  dragging_ = false;
  if (host()) host()->setMouseCapture(false);
}

// --- The form, on the grid's side --------------------------------------------------------

bool CustomTreeListControl::customizingFormOpen() const { return customizingForm_ != nullptr; }

bool CustomTreeListControl::pointOverCustomizingForm(Point p) const {
  return customizingForm_ && customizingForm_->frame().contains(host().clientToScreen(p));
}

void CustomTreeListControl::setCustomizingRowCount(int count) {
  customizingRowCount_ = std::max(count, 1);
}

void CustomTreeListControl::columnsCustomizing() {
  endColumnsCustomizing();
  if (!showBands() && !showHeader_) return;
  if (columnCount() == 0 && bands().count() == 0) return;
  auto owned = std::make_unique<CustomizingListBox>(*this);
  CustomizingListBox* list = owned.get();
  std::unique_ptr<ToolWindow> form = host().createToolWindow("Customize", std::move(owned));
  if (!form) return;
  Canvas& canvas = host().canvas();
  canvas.setFont(font());
  const int rowHeight = canvas.textHeight() + 5 + (lookAndFeel_ == lfStandard ? 1 : 0);
  // The list's inside is 28 zeros wide and holds CustomizingRowCount rows.
  form->setClientSize({28 * canvas.zeroWidth() + 4, customizingRowCount_ * rowHeight + 4});
  if (customizingFormLeft_ == -1000 && customizingFormTop_ == -1000) {
    // First opening: bottom-right corner on the main window's.
    const Rect owner = host().topLevelFrame();
    const Rect frame = form->frame();
    form->moveTo(
        {std::max(owner.right - frame.width(), 0), std::max(owner.bottom - frame.height(), 0)});
  } else {
    form->moveTo({customizingFormLeft_, customizingFormTop_});
  }
  form->onClose = [this] { endColumnsCustomizing(); };
  customizingList_ = list;
  customizingForm_ = std::move(form);
  list->refresh();
  if (customizingSelected_ >= 0 && customizingSelected_ < static_cast<int>(list->items().size())) {
    list->setItemIndex(customizingSelected_);
  }
  customizingForm_->show();
}

void CustomTreeListControl::endColumnsCustomizing() {
  if (!customizingForm_) return;
  const Rect frame = customizingForm_->frame();
  customizingFormLeft_ = frame.left;
  customizingFormTop_ = frame.top;
  customizingSelected_ = customizingList_->itemIndex();
  // The form goes after the grid has forgotten it.
  std::unique_ptr<ToolWindow> form = std::move(customizingForm_);
  customizingList_ = nullptr;
  form.reset();
  if (onEndColumnsCustomizing) onEndColumnsCustomizing(*this);
}

void CustomTreeListControl::refreshCustomizingLists() {
  if (customizingList_) customizingList_->refresh();
}

void CustomTreeListControl::dragToScreenPoint(Point screen) {
  if (mouseState() != MouseState::HeaderDragging) return;
  lastMouse_ = host().screenToClient(screen);
  dragMove(lastMouse_);
}

}  // namespace morvel
