// The viewer's table and a CSV transfer over it, as the window has them but
// without a window: the status pane and progress bar are the controls
// alone, the platform a fake. The table is readied as the window readies it
// and dropped at the end.
#pragma once

#include "app/CsvTransfer.h"
#include "platform/fake/FakeServices.h"
#include "status/ProgressBar.h"
#include "status/StatusPane.h"
#include "table/EngineTable.h"
#include "tests/support/ViewerTable.h"

namespace morvel::bench {

struct WindowlessTransfer {
  WindowlessTransfer() { fixture::prepareViewerTable(table); }
  ~WindowlessTransfer() { fixture::dropViewerTable(table); }
  WindowlessTransfer(const WindowlessTransfer&) = delete;
  WindowlessTransfer& operator=(const WindowlessTransfer&) = delete;

  EngineTable table{"tblData"};
  StatusPane status;
  ProgressBar progress;
  FakeServices services;
  CsvTransfer transfer{table, {status, progress, services}};
};

}  // namespace morvel::bench
