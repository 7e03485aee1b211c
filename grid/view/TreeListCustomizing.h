// The list of the customizing form: the grid's hidden columns, sorted by
// caption and drawn as header cells. Dragging an entry into the grid's
// header shows its column again; headers dropped on the form hide theirs.
#pragma once

#include <string>
#include <vector>

#include "platform/Control.h"

namespace morvel {

class CustomTreeListControl;

class CustomizingListBox : public Control {
 public:
  // The grid outlives the list (it owns the form the list is on).
  explicit CustomizingListBox(CustomTreeListControl& grid);

  struct Item {
    std::string caption;
    int column;  // index in the grid's column list
  };
  const std::vector<Item>& items() const { return items_; }
  int itemIndex() const { return selected_; }
  void setItemIndex(int index);
  int itemHeight() const;
  // Fills the list again from the grid, keeping the selected column selected
  // when it is still listed.
  void refresh();

  void paint(Canvas& canvas, const Rect& dirty) override;
  void mouseDown(MouseButton button, ShiftState shift, Point p) override;
  void mouseMove(ShiftState shift, Point p) override;
  void mouseUp(MouseButton button, ShiftState shift, Point p) override;
  bool keyDown(int key, ShiftState shift) override;
  void captureLost() override;

 private:
  Rect itemRect(int index) const;
  void abandonDrag();

  CustomTreeListControl& grid_;
  std::vector<Item> items_;
  int selected_ = -1;
  bool armed_ = false;     // a press on an item may turn into a drag
  bool dragging_ = false;  // the grid is dragging the item's column
  Point pressPoint_;
  int pressedColumn_ = -1;  // the grid column of the pressed entry
};

}  // namespace morvel
