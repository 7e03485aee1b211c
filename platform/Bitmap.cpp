// Building pictures from rows of text; see Bitmap.h.
#include "platform/Bitmap.h"

#include <utility>

namespace morvel {

Bitmap Bitmap::fromRows(std::initializer_list<std::string_view> rows,
                        std::initializer_list<std::pair<char, std::uint32_t>> legend) {
  int width = 0;
  for (const auto row : rows) {
    if (static_cast<int>(row.size()) > width) width = static_cast<int>(row.size());
  }
  Bitmap bitmap(width, static_cast<int>(rows.size()));
  int y = 0;
  for (const auto row : rows) {
    for (int x = 0; x < static_cast<int>(row.size()); ++x) {
      for (const auto& [c, pixel] : legend) {
        if (c == row[x]) bitmap.setPixel(x, y, pixel);
      }
    }
    ++y;
  }
  return bitmap;
}

}  // namespace morvel
