// The classic palette; see PlatformServices.h.
#include "platform/PlatformServices.h"

namespace morvel {

std::uint32_t classicColor(Color color) {
  if (color == clNone || color == clDefault) return 0;
  if (!isSystemColor(color)) {
    return 0xff000000u | (color & 0xff) << 16 | (color & 0xff00) | (color >> 16 & 0xff);
  }
  switch (systemColorIndex(color)) {
    case systemColorIndex(clWindow):
      return 0xffffffffu;
    case systemColorIndex(clWindowFrame):
      return 0xff000000u;
    case systemColorIndex(clWindowText):
      return 0xff000000u;
    case systemColorIndex(clHighlight):
      return 0xff000080u;
    case systemColorIndex(clHighlightText):
      return 0xffffffffu;
    case systemColorIndex(clBtnFace):
      return 0xffc0c0c0u;
    case systemColorIndex(clBtnShadow):
      return 0xff808080u;
    case systemColorIndex(clGrayText):
      return 0xff808080u;
    case systemColorIndex(clBtnText):
      return 0xff000000u;
    case systemColorIndex(clBtnHighlight):
      return 0xffffffffu;
    case systemColorIndex(cl3DDkShadow):
      return 0xff000000u;
    case systemColorIndex(cl3DLight):
      return 0xffdfdfdfu;
    case systemColorIndex(clInfoText):
      return 0xff000000u;
    case systemColorIndex(clInfoBk):
      return 0xffffffe1u;
    default:
      return 0xffc0c0c0u;
  }
}

}  // namespace morvel
