// Small pieces the data-bound grid's source files share.
#pragma once

#include "table/DataSet.h"

namespace morvel::dbgrid {

// Whether the dataset is changing a record (editing, inserting or setting a key).
inline bool editingState(const DataSet* ds) {
  const DataSetState s = ds->state();
  return s == stEdit || s == stInsert || s == stSetKey;
}

// Sets a flag for a scope and restores its previous value on every path.
class FlagScope {
 public:
  FlagScope(bool& flag, bool value) : flag_(flag), saved_(flag) { flag_ = value; }
  ~FlagScope() { flag_ = saved_; }
  FlagScope(const FlagScope&) = delete;
  FlagScope& operator=(const FlagScope&) = delete;

 private:
  bool& flag_;
  bool saved_;
};

}  // namespace morvel::dbgrid
