// Small pieces the data-bound grid's source files share.
#pragma once

#include "table/DataSet.h"

namespace morvel::dbgrid {

// Whether the dataset is changing a record (editing, inserting or setting a key).
inline bool editingState(const DataSet* ds) {
  const DataSetState s = ds->state();
  return s == stEdit || s == stInsert || s == stSetKey;
}

}  // namespace morvel::dbgrid
