// The names of the mouse states and the press part they share.
#include "grid/view/MouseStates.h"

#include <type_traits>

namespace morvel {
namespace {

template <class... F>
struct Overloaded : F... {
  using F::operator()...;
};
template <class... F>
Overloaded(F...) -> Overloaded<F...>;

MouseState sizingState(mouse::SizingKind kind) {
  switch (kind) {
    case mouse::SizingKind::Column:
      return MouseState::ColumnSizing;
    case mouse::SizingKind::Band:
      return MouseState::BandSizing;
    case mouse::SizingKind::BandPanel:
      return MouseState::BandPanelSizing;
    case mouse::SizingKind::HeaderPanel:
      return MouseState::HeaderPanelSizing;
    case mouse::SizingKind::Row:
      break;
  }
  return MouseState::RowSizing;
}

}  // namespace

MouseState mouseStateOf(const MouseStateData& state) {
  return std::visit(
      Overloaded{
          [](const mouse::Idle&) { return MouseState::Idle; },
          [](const mouse::HeaderPress&) { return MouseState::HeaderPressed; },
          [](const mouse::BandPress&) { return MouseState::BandPressed; },
          [](const mouse::HeaderCornerPress&) { return MouseState::HeaderCornerPressed; },
          [](const mouse::BandCornerPress&) { return MouseState::BandCornerPressed; },
          [](const mouse::RowPress&) { return MouseState::RowPressed; },
          [](const mouse::Sizing& s) { return sizingState(s.kind); },
          [](const mouse::HeaderDrag&) { return MouseState::HeaderDragging; },
          [](const mouse::BandDrag&) { return MouseState::BandDragging; },
          [](const mouse::DragScroll&) { return MouseState::DragScrolling; },
      },
      state);
}

mouse::CellPress* cellPressOf(MouseStateData& state) {
  return std::visit(
      [](auto& s) -> mouse::CellPress* {
        if constexpr (std::is_base_of_v<mouse::CellPress, std::decay_t<decltype(s)>>) {
          return &s;
        } else {
          return nullptr;
        }
      },
      state);
}

const mouse::CellPress* cellPressOf(const MouseStateData& state) {
  return cellPressOf(const_cast<MouseStateData&>(state));
}

}  // namespace morvel
