// The header's geometry, computed once per layout: where each visible band
// and each column header lies. Painting, hit tests and every mouse move ask
// for it; rebuilding it means walking every band row's columns and sharing
// their widths, so the grid keeps the last result with what it was computed
// from, and computes it again only when one of those inputs changed.
#pragma once

#include <cstdint>
#include <vector>

#include "grid/view/TreeListView.h"

namespace morvel {

// What the header geometry is computed from, beyond the column and band
// properties (whose changes bump `generation`).
struct HeaderLayoutKey {
  std::uint64_t generation = 0;
  int leftCoord = 0;  // horizontal scroll position
  Size client;
  int groupIndent = 0;
  int columnCount = 0;
  int bandCount = 0;
  friend bool operator==(const HeaderLayoutKey&, const HeaderLayoutKey&) = default;
};

struct HeaderLayout {
  std::vector<BandExtent> bands;  // per visible band, in order
  std::vector<HeaderCell> cells;  // per visible column header, band by band, row by row
};

class HeaderLayoutCache {
 public:
  // Something the geometry depends on changed (a column, a band, the
  // metrics, the layout): the next request computes it again.
  void invalidate() { ++generation_; }
  std::uint64_t generation() const { return generation_; }

  // The layout for `key`: the kept one when computed for the same key,
  // else build() (a HeaderLayout) kept and returned. The reference lives
  // until the next call.
  template <class Build>
  const HeaderLayout& get(const HeaderLayoutKey& key, Build&& build) {
    if (!valid_ || !(key == key_)) {
      // Marked invalid first: should build() throw, the old layout is not
      // kept under the new key.
      valid_ = false;
      layout_ = build();
      key_ = key;
      valid_ = true;
    }
    return layout_;
  }

 private:
  std::uint64_t generation_ = 0;
  bool valid_ = false;
  HeaderLayoutKey key_;
  HeaderLayout layout_;
};

}  // namespace morvel
