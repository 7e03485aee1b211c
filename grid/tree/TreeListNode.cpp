// Nodes and their texts; see TreeListNode.h. The tree operations live in
// the node's owner (TreeNodeOwner.h): a node forwards to it.
#include "grid/tree/TreeListNode.h"

#include <algorithm>
#include <cstring>
#include <vector>

namespace morvel {

TreeListNode::TreeListNode(TreeNodeOwner* owner) : owner_(owner) {
  if (!owner) throw InvalidTreeListOperation("Invalid Owner TTreeListNode");
}

TreeListNode::~TreeListNode() = default;

void TreeListNode::setRowHeightCache(int height) {
  rowHeightCache_ = height;
  if (height != 0) owner_->noteRowHeightCached();
}

NodeList& TreeListNode::siblings() const {
  return parent_ ? *parent_->children_ : owner_->topNodes_;
}

TreeListNode* TreeListNode::items(int i) const {
  return i >= 0 && i < count() ? children_->at(i) : nullptr;
}

int TreeListNode::index() const { return siblings().indexOf(this); }

int TreeListNode::level() const {
  int level = 0;
  for (const TreeListNode* p = parent_; p; p = p->parent_) ++level;
  return level;
}

bool TreeListNode::isLast() const { return siblings().last() == this; }

bool TreeListNode::isVisible() const {
  for (const TreeListNode* p = parent_; p; p = p->parent_) {
    if (!p->expanded_) return false;
  }
  return true;
}

bool TreeListNode::hasAsParent(const TreeListNode* n) const {
  if (!n) return false;
  for (const TreeListNode* p = parent_; p; p = p->parent_) {
    if (p == n) return true;
  }
  return false;
}

bool TreeListNode::focused() const { return owner_->focusedNode() == this; }

bool TreeListNode::selected() const { return owner_->multiSelect() ? inSelection_ : focused(); }

void TreeListNode::setSelected(bool selected) { owner_->setNodeSelected(this, selected); }

void TreeListNode::setFocused() { owner_->setFocusedNode(this, owner_->focusedColumn(), false); }

TreeListNode* TreeListNode::insertChild(TreeListNode* before) {
  int position = count();
  if (before && before->parent_ == this) position = children_->indexOf(before);
  return owner_->insertChildNode(this, position);
}

void TreeListNode::moveTo(TreeListNode* dest, TreeListNodeAttachMode mode) {
  owner_->moveNode(this, dest, mode);
}

void TreeListNode::setExpanded(bool expanded) { owner_->setExpanded(this, expanded); }

void TreeListNode::expand(bool recurse) { owner_->expandOrCollapse(this, true, recurse); }

void TreeListNode::collapse(bool recurse) { owner_->expandOrCollapse(this, false, recurse); }

void TreeListNode::deleteChildren() {
  while (count() > 0) owner_->deleteNode(children_->at(0));
}

void TreeListNode::makeVisible() { owner_->makeNodeVisible(this); }

TreeListNode* TreeListNode::getNextVisible() const { return owner_->nextVisible(this); }

TreeListNode* TreeListNode::getPriorVisible() const { return owner_->priorVisible(this); }

int TreeListNode::visibleIndex() const { return owner_->visibleIndexOf(this); }

void TreeListNode::setHasChildren(bool hasChildren) {
  hasChildren_ = hasChildren || count() > 0;
  owner_->invalidateNode(this, false);
}

Variant TreeListNode::values(int column) const { return owner_->getNodeValue(*this, column); }

std::string TreeListNode::strings(int column) const { return owner_->nodeString(*this, column); }

void TreeListNode::setValues(int column, const Variant& value) {
  owner_->setNodeValue(*this, column, value);
}

void TreeListNode::setStrings(int column, std::string_view text) {
  owner_->setNodeString(*this, column, text);
}

// --- CellTexts ---------------------------------------------------------------

namespace {

constexpr std::size_t kWord = sizeof(std::uint32_t);

std::uint32_t readWord(const char* p) {
  std::uint32_t v;
  std::memcpy(&v, p, kWord);
  return v;
}

void writeWord(char* p, std::uint32_t v) { std::memcpy(p, &v, kWord); }

std::size_t blockSize(std::size_t count, std::size_t textBytes) {
  return kWord * (1 + count) + textBytes;
}

// Builds a block from a list of texts; none at all when the list is empty.
CellTexts::Block buildBlock(std::span<const std::string_view> texts) {
  if (texts.empty()) return nullptr;
  std::size_t bytes = 0;
  for (std::string_view t : texts) bytes += t.size();
  const std::size_t header = kWord * (1 + texts.size());
  CellTexts::Block block(static_cast<char*>(allocateSmallBlock(blockSize(texts.size(), bytes))));
  writeWord(block.get(), static_cast<std::uint32_t>(texts.size()));
  std::uint32_t end = 0;
  char* out = block.get() + header;
  for (std::size_t i = 0; i < texts.size(); ++i) {
    if (!texts[i].empty()) std::memcpy(out + end, texts[i].data(), texts[i].size());
    end += static_cast<std::uint32_t>(texts[i].size());
    writeWord(block.get() + kWord * (1 + i), end);
  }
  return block;
}

}  // namespace

void CellTexts::BlockRelease::operator()(char* block) const noexcept {
  const std::size_t count = readWord(block);
  const std::size_t textBytes = count > 0 ? readWord(block + kWord * count) : 0;
  releaseSmallBlock(block, blockSize(count, textBytes));
}

int CellTexts::count() const { return block_ ? static_cast<int>(readWord(block_.get())) : 0; }

CellTexts::Owner CellTexts::ownerOf(std::size_t offset) const {
  const int n = count();
  const char* block = block_.get();
  for (int i = 0; i < n; ++i) {
    const std::uint32_t end = readWord(block + sizeof(std::uint32_t) * (1 + std::size_t(i)));
    if (offset < end) return {i, end};
  }
  return {-1, 0};
}

void CellTexts::assign(std::span<const std::string_view> texts) { block_ = buildBlock(texts); }

void CellTexts::set(int i, std::string_view text) {
  if (i < 0) return;
  const int n = count();
  std::vector<std::string_view> texts(static_cast<std::size_t>(i >= n ? i + 1 : n));
  for (int k = 0; k < n; ++k) texts[static_cast<std::size_t>(k)] = get(k);
  texts[static_cast<std::size_t>(i)] = text;
  block_ = buildBlock(texts);  // the views into the old block stay valid until here
}

void CellTexts::insertAt(int i) {
  const int n = count();
  if (i < 0 || i > n) return;
  std::vector<std::string_view> texts;
  texts.reserve(static_cast<std::size_t>(n) + 1);
  for (int k = 0; k < n; ++k) {
    if (k == i) texts.emplace_back();
    texts.push_back(get(k));
  }
  if (i == n) texts.emplace_back();
  block_ = buildBlock(texts);
}

void CellTexts::removeAt(int i) {
  const int n = count();
  if (i < 0 || i >= n) return;
  std::vector<std::string_view> texts;
  texts.reserve(static_cast<std::size_t>(n));
  for (int k = 0; k < n; ++k) {
    if (k != i) texts.push_back(get(k));
  }
  block_ = buildBlock(texts);
}

void CellTexts::move(int from, int to) {
  const int n = count();
  if (from == to || from < 0 || to < 0 || (from >= n && to >= n)) return;
  // A text beyond the end is empty: moving it (or into that range) first
  // grows the list so that both positions exist.
  const int size = std::max(n, std::max(from, to) + 1);
  std::vector<std::string_view> texts(static_cast<std::size_t>(size));
  for (int k = 0; k < n; ++k) texts[static_cast<std::size_t>(k)] = get(k);
  const std::string_view moved = texts[static_cast<std::size_t>(from)];
  texts.erase(texts.begin() + from);
  texts.insert(texts.begin() + to, moved);
  block_ = buildBlock(texts);
}

}  // namespace morvel
