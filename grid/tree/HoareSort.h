// The in-place quicksort the grid sorts rows with: Hoare partition around
// the item in the middle position. Written out (rather than std::sort) so
// that the order of equal items follows this exact algorithm, and so that a
// comparison that is not a consistent order (a user's compare handler) can
// give an odd order but never read outside the range.
#pragma once

#include <cstddef>
#include <utility>
#include <vector>

namespace morvel {

namespace hoare_detail {

template <class T, class Compare>
void siftDown(T* items, std::ptrdiff_t root, std::ptrdiff_t count, Compare& compare) {
  for (;;) {
    std::ptrdiff_t child = 2 * root + 1;
    if (child >= count) return;
    if (child + 1 < count && compare(items[child], items[child + 1]) < 0) ++child;
    if (compare(items[root], items[child]) >= 0) return;
    std::swap(items[root], items[child]);
    root = child;
  }
}

// The fallback for inputs that drive the quicksort quadratic.
template <class T, class Compare>
void heapSort(T* items, std::ptrdiff_t count, Compare& compare) {
  for (std::ptrdiff_t i = count / 2 - 1; i >= 0; --i) siftDown(items, i, count, compare);
  for (std::ptrdiff_t end = count - 1; end > 0; --end) {
    std::swap(items[0], items[end]);
    siftDown(items, 0, end, compare);
  }
}

template <class T, class Compare>
void sortRange(T* items, std::ptrdiff_t left, std::ptrdiff_t right, int depthBudget,
               Compare& compare) {
  while (left < right) {
    if (depthBudget-- == 0) {
      heapSort(items + left, right - left + 1, compare);
      return;
    }
    std::ptrdiff_t i = left;
    std::ptrdiff_t j = right;
    const T pivot = items[left + (right - left) / 2];
    do {
      // The bounds only matter for an inconsistent comparison: with a
      // consistent one the pivot stops both scans first.
      while (i < right && compare(items[i], pivot) < 0) ++i;
      while (j > left && compare(items[j], pivot) > 0) --j;
      if (i <= j) {
        std::swap(items[i], items[j]);
        ++i;
        --j;
      }
    } while (i <= j);
    // The two parts are sorted independently, so which goes first does not
    // change the result; the smaller one recurses to keep the stack shallow.
    if (j - left < right - i) {
      if (left < j) sortRange(items, left, j, depthBudget, compare);
      left = i;
    } else {
      if (i < right) sortRange(items, i, right, depthBudget, compare);
      right = j;
    }
  }
}

}  // namespace hoare_detail

// Sorts items by compare(a, b) (negative, zero or positive).
template <class T, class Compare>
void hoareSort(std::vector<T>& items, Compare compare) {
  if (items.size() < 2) return;
  int depthBudget = 16;
  for (std::size_t n = items.size(); n > 1; n >>= 1) depthBudget += 2;
  hoare_detail::sortRange(items.data(), 0, static_cast<std::ptrdiff_t>(items.size()) - 1,
                          depthBudget, compare);
}

}  // namespace morvel
