// A list of same-sized pictures picked by index, such as the node images a
// grid draws beside its rows. Plain pixels, like Bitmap.
#pragma once

#include <vector>

#include "platform/Bitmap.h"

namespace morvel {

class ImageList {
 public:
  // Every image of the list is width × height pixels (negative sizes count
  // as 0).
  ImageList(int width, int height)
      : width_(width < 0 ? 0 : width), height_(height < 0 ? 0 : height) {}

  int width() const { return width_; }
  int height() const { return height_; }
  int count() const { return static_cast<int>(images_.size()); }

  // Appends the picture and returns its index; a picture of another size is
  // refused (-1), so every image drawn from the list fits the room laid out
  // for it.
  int add(const Bitmap& image) {
    if (image.width() != width_ || image.height() != height_) return -1;
    images_.push_back(image);
    return count() - 1;
  }

  // Image i, or an empty bitmap when i is out of range.
  const Bitmap& image(int i) const {
    static const Bitmap kNone;
    return i >= 0 && i < count() ? images_[static_cast<std::size_t>(i)] : kNone;
  }

 private:
  int width_;
  int height_;
  std::vector<Bitmap> images_;
};

}  // namespace morvel
