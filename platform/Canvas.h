// A surface a control paints on and measures text with. For now it offers
// the measuring of FontMetrics; drawing operations (rectangles, edges,
// lines, text, bitmaps) join it as the painting controls need them.
#pragma once

#include "platform/FontMetrics.h"

namespace morvel {

class Canvas : public FontMetrics {
 public:
  ~Canvas() override = default;
};

}  // namespace morvel
