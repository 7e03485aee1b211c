// Find, quick filter and counts; see FindFilter.h.
#include "app/FindFilter.h"

#include <QBoxLayout>
#include <QLineEdit>
#include <QMenu>
#include <optional>

#include "app/CsvTransfer.h"
#include "app/FindBar.h"
#include "app/ViewerGrid.h"
#include "base/NumberText.h"
#include "platform/PlatformServices.h"
#include "platform/qt/ControlWidget.h"
#include "status/StatusPane.h"
#include "table/DataSet.h"

namespace morvel {

void exportWholeTable(CsvTransfer& transfer, DataSet& table, const std::string& fileName) {
  if (!table.hasRecordFilter()) {
    transfer.exportLines(fileName);
    return;
  }
  SuspendedLinks suspended(table);
  UnfilteredScope everyRecord(table);
  transfer.exportLines(fileName);
}

std::string countText(long long n) {
  return formatNumberText("#,##0", static_cast<long double>(n));
}

FindFilter::FindFilter(ViewerGrid& grid, DataSet& table, StatusPane& status, QWidget* dataPage,
                       ControlWidget* statusBar, PlatformServices& services)
    : grid_(grid), table_(table), status_(status), bar_(new FindBar(dataPage)) {
  if (auto* layout = qobject_cast<QBoxLayout*>(dataPage->layout())) layout->addWidget(bar_);
  bar_->onFind = [this](bool forward) { findNext(forward); };
  bar_->onFilterEdited = [this] { filterEdited(); };
  bar_->onFilterEntered = [this] { applyFilterNow(); };
  bar_->onClosed = [this] {
    filterTimer_->stop();
    grid_.clearFindMark();
    grid_.widget()->setFocus(Qt::ShortcutFocusReason);
  };
  filterTimer_ = services.createTimer([this] { applyFilterNow(); });
  QWidget* gridWidget = grid_.widget();
  gridWidget->setContextMenuPolicy(Qt::CustomContextMenu);
  QObject::connect(gridWidget, &QWidget::customContextMenuRequested, bar_,
                   [this, gridWidget](const QPoint& p) {
                     std::unique_ptr<QMenu> menu(headerMenu(p.x(), p.y()));
                     if (menu) menu->exec(gridWidget->mapToGlobal(p));
                   });

  countsWidget_ = new ControlWidget(std::make_unique<StatusPane>(), statusBar);
  countsWidget_->setObjectName("spCounts");
  StatusPane& pane = countsPane();
  pane.setFont(Font::withHeight("MS Sans Serif", -11));
  pane.setAutoSize(true);
  pane.setAlign(alRight);
  pane.setCaption("");
  // Shown once there is something to count, so that the status bar looks
  // as it always did until a file is open.
  pane.setVisible(false);
}

FindFilter::~FindFilter() {
  // The bar is the page's and may outlive this.
  bar_->onFind = nullptr;
  bar_->onFilterEdited = nullptr;
  bar_->onFilterEntered = nullptr;
  bar_->onClosed = nullptr;
}

StatusPane& FindFilter::countsPane() const { return countsWidget_->controlAs<StatusPane>(); }

void FindFilter::openFind() { bar_->open(FindBar::Mode::find); }

void FindFilter::openFilter() { bar_->open(FindBar::Mode::filter); }

void FindFilter::findNext(bool forward) {
  if (busy && busy()) return;
  const std::string text = bar_->mode() == FindBar::Mode::find ? bar_->text() : std::string();
  if (text.empty()) return;
  const ViewerGrid::FindOutcome outcome = grid_.findText(text, bar_->matchCase(), forward);
  if (!outcome.found) {
    status_.setCaption("No matches for '" + text + "'");
  } else {
    status_.setCaption(outcome.wrapped ? "Search wrapped" : "");
  }
}

void FindFilter::filterEdited() { filterTimer_->start(kFilterDelayMs); }

bool FindFilter::filterPending() const { return filterTimer_->active(); }

void FindFilter::applyFilterNow() {
  if (busy && busy()) {
    filterTimer_->start(kFilterDelayMs);
    return;
  }
  filterTimer_->stop();
  const std::string text = bar_->mode() == FindBar::Mode::filter ? bar_->text() : appliedFilter_;
  if (text == appliedFilter_) return;
  if (!table_.active()) return;
  grid_.setFilterText(text);
  appliedFilter_ = text;
  updateCounts();
}

QMenu* FindFilter::headerMenu(int x, int y) {
  const std::optional<std::string> value = grid_.headerValueAt(x, y);
  if (!value) return nullptr;
  auto* menu = new QMenu(grid_.widget());
  menu->setObjectName("headerMenu");
  QAction* byValue = menu->addAction("&Filter by this value");
  byValue->setObjectName("miFilterByValue");
  byValue->setEnabled(!value->empty());
  QObject::connect(byValue, &QAction::triggered, bar_,
                   [this, text = *value] { filterByValue(text); });
  QAction* clear = menu->addAction("&Clear filter");
  clear->setObjectName("miClearFilter");
  clear->setEnabled(filtering());
  QObject::connect(clear, &QAction::triggered, bar_, [this] { clearFilter(); });
  return menu;
}

void FindFilter::filterByValue(const std::string& value) {
  bar_->open(FindBar::Mode::filter);
  bar_->setText(FindBar::Mode::filter, value);
  applyFilterNow();
  // The grid, where the user was, keeps the keyboard.
  grid_.widget()->setFocus(Qt::OtherFocusReason);
}

void FindFilter::clearFilter() {
  if (busy && busy()) return;
  bar_->setText(FindBar::Mode::filter, "");
  filterTimer_->stop();
  if (appliedFilter_.empty()) return;
  grid_.setFilterText("");
  appliedFilter_.clear();
  updateCounts();
}

void FindFilter::tableClosed() {
  filterTimer_->stop();
  bar_->setText(FindBar::Mode::filter, "");
  appliedFilter_.clear();
  table_.setRecordFilter({});
  updateCounts();
}

std::string FindFilter::countsText() const {
  if (!table_.active()) return {};
  const int total = table_.recordTotal();
  const std::string noun = total == 1 ? " record" : " records";
  if (!table_.hasRecordFilter()) return countText(total) + noun;
  return countText(grid_.shownRecordCount()) + " of " + countText(total) + noun;
}

void FindFilter::updateCounts() {
  const std::string text = countsText();
  StatusPane& pane = countsPane();
  pane.setCaption(text);
  pane.setVisible(!text.empty());
  countsWidget_->setVisible(!text.empty());
}

}  // namespace morvel
