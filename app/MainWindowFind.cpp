// The main window's find, filter and counts commands; see MainWindow.h and
// FindFilter.h.
#include <QAction>
#include <QMenu>
#include <QMenuBar>
#include <QMetaObject>

#include "app/FindBar.h"
#include "app/FindFilter.h"
#include "app/MainWindow.h"
#include "platform/qt/QtServices.h"

namespace morvel {

void MainWindow::createFindMenus(QMenu* file, QMenu* view) {
  const auto action = [this](const char* name, const char* caption, QKeySequence key,
                             void (MainWindow::*handler)()) {
    auto* item = new QAction(caption, this);
    item->setObjectName(name);
    if (!key.isEmpty()) item->setShortcut(key);
    item->setShortcutContext(Qt::WindowShortcut);
    connect(item, &QAction::triggered, this, [this, handler] { (this->*handler)(); });
    return item;
  };
  // File: the shown rows' save right after Save As.
  const QList<QAction*> fileItems = file->actions();
  QAction* afterSave = fileItems.size() > 2 ? fileItems[2] : nullptr;
  file->insertAction(afterSave, action("miSaveShown", "Save S&hown Rows As...", {},
                                       &MainWindow::miSaveShownClick));
  // Edit, between File and View.
  auto* edit = new QMenu("&Edit", menuBar());
  edit->setObjectName("miEdit");
  edit->addAction(action("miFind", "&Find...", QKeySequence::Find, &MainWindow::miFindClick));
  menuBar()->insertMenu(view->menuAction(), edit);
  // View: the filter and the group counts; F3 stays Collapse All.
  view->addSeparator()->setObjectName("miL3");
  view->addAction(action("miFilter", "&Filter...", QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_F),
                         &MainWindow::miFilterClick));
  miGroupCounts_ = action("miGroupCounts", "Group Co&unts", {}, &MainWindow::miGroupCountsClick);
  miGroupCounts_->setCheckable(true);
  miGroupCounts_->setChecked(false);
  view->addAction(miGroupCounts_);
}

void MainWindow::createFindFilter() {
  findFilter_ = std::make_unique<FindFilter>(*grid_, tblData_, spStatus(), tsData_, sbMorvel_,
                                             QtServices::instance());
  findFilter_->busy = [this] { return busy(); };
  // After a delete the grid has dropped the row only once the dataset's
  // handlers return; the counts follow when the deleting is over, once for
  // many rows.
  tblData_.afterDelete = [this](DataSet&) {
    if (countsPending_) return;
    countsPending_ = true;
    QMetaObject::invokeMethod(
        this,
        [this] {
          countsPending_ = false;
          if (findFilter_) findFilter_->updateCounts();
        },
        Qt::QueuedConnection);
  };
}

void MainWindow::miFindClick() {
  if (busy()) return;
  showPage(tsData_);
  findFilter_->openFind();
}

void MainWindow::miFilterClick() {
  if (busy()) return;
  showPage(tsData_);
  findFilter_->openFilter();
}

void MainWindow::miGroupCountsClick() {
  const bool shown = miGroupCounts_->isChecked();
  if (busy()) {
    miGroupCounts_->setChecked(!shown);
    return;
  }
  beginCommand();
  runCommand(this, [&] { grid_->setGroupCounts(shown); });
}

}  // namespace morvel
