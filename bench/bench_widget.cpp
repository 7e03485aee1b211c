// Grid widget benchmark: a million rows shaped like the sample file (13
// columns: 8 text, 2 dates, 3 date-times) in a 1920 × 1080 grid hosted by
// the Qt widget on the offscreen platform. Paints a full screen of rows
// through the Qt canvas, pages down, and best-fits every column with the
// real font. Prints one figure per line (name value unit), each the median
// of several runs, with the processor time beside the wall time as the
// machine is shared.
#include <time.h>

#include <QApplication>
#include <QImage>
#include <QPainter>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <memory>
#include <random>
#include <vector>

#include "grid/view/CustomTreeListControl.h"
#include "platform/qt/ControlWidget.h"
#include "platform/qt/QtCanvas.h"

namespace morvel {
namespace {

constexpr int kRows = 1000000;
constexpr int kRuns = 9;
constexpr int kWidth = 1920;
constexpr int kHeight = 1080;

class BenchGrid : public CustomTreeListControl {};

double cpuSeconds() {
  timespec t;
  clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
  return double(t.tv_sec) + double(t.tv_nsec) * 1e-9;
}

double median(std::vector<double> v) {
  std::sort(v.begin(), v.end());
  return v[v.size() / 2];
}

// Returns the median wall time in seconds.
double measure(const char* name, int runs, const std::function<void()>& setup,
               const std::function<void()>& work) {
  std::vector<double> wall;
  std::vector<double> cpu;
  for (int i = 0; i < runs; ++i) {
    if (setup) setup();
    const double cpuStart = cpuSeconds();
    const auto start = std::chrono::steady_clock::now();
    work();
    wall.push_back(std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
    cpu.push_back(cpuSeconds() - cpuStart);
  }
  std::printf("%s %.3f ms\n", name, median(wall) * 1000);
  std::printf("%s_cpu %.3f ms\n", name, median(cpu) * 1000);
  return median(wall);
}

void fill(BenchGrid& grid) {
  const char* captions[] = {"Operation", "Customer", "City",   "Street",     "Agent",
                            "Product",   "Channel",  "Status", "Order Date", "Ship Date",
                            "Created",   "Changed",  "Closed"};
  for (const char* caption : captions) grid.createColumn()->setCaption(caption);
  std::mt19937 rng(1234);
  const char* cities[] = {"Aberdeen", "Bristol", "Cardiff", "Dundee", "Exeter", "Glasgow"};
  const char* words[] = {"alpha", "bravo", "charlie", "delta", "echo", "foxtrot", "golf"};
  const auto r = [&](int n) { return static_cast<int>(rng() % static_cast<unsigned>(n)); };
  char text[64];
  CustomTreeList::UpdateLock lock(grid);
  for (int i = 0; i < kRows; ++i) {
    TreeListNode* node = grid.addNode();
    std::snprintf(text, sizeof text, "Operation %d", r(50000));
    node->setStrings(0, text);
    std::snprintf(text, sizeof text, "Customer %d", r(9000));
    node->setStrings(1, text);
    node->setStrings(2, cities[r(6)]);
    std::snprintf(text, sizeof text, "%d %s Road", r(300), words[r(7)]);
    node->setStrings(3, text);
    node->setStrings(4, words[r(7)]);
    std::snprintf(text, sizeof text, "Product %d", r(700));
    node->setStrings(5, text);
    node->setStrings(6, words[r(7)]);
    node->setStrings(7, r(2) ? "open" : "closed");
    for (int c = 8; c < 13; ++c) {
      const int day = 1 + r(28);
      const int month = 1 + r(12);
      const int year = r(30);
      if (c < 10) {
        std::snprintf(text, sizeof text, "%02d/%02d/%02d", day, month, year);
      } else {
        std::snprintf(text, sizeof text, "%02d/%02d/%02d %02d:%02d", day, month, year, r(24),
                      r(60));
      }
      node->setStrings(c, text);
    }
  }
}

}  // namespace
}  // namespace morvel

int main(int argc, char** argv) {
  using namespace morvel;
  if (!std::getenv("QT_QPA_PLATFORM")) setenv("QT_QPA_PLATFORM", "offscreen", 1);
  QApplication app(argc, argv);
  ControlWidget widget(std::make_unique<BenchGrid>());
  auto& grid = widget.controlAs<BenchGrid>();
  grid.setShowGrid(true);
  grid.setOptions(grid.options().with(goIndicator).with(goRowSelect));
  grid.setBounds({0, 0, kWidth, kHeight});
  fill(grid);
  grid.setFocusedVisibleIndex(0);
  std::printf("rows %d\n", grid.visibleCount());

  QImage image(kWidth, kHeight, QImage::Format_ARGB32_Premultiplied);
  const Rect screen{0, 0, kWidth, kHeight};
  const auto paintScreen = [&] {
    QPainter painter(&image);
    QtCanvas canvas(painter, QtServices::instance());
    grid.paint(canvas, screen);
  };
  measure("paint_screen_1920x1080", kRuns, nullptr, paintScreen);
  measure("page_down_and_paint", kRuns, nullptr, [&] {
    grid.keyDown(vkNext, 0);
    paintScreen();
  });
  std::printf("rows_per_page %d\n", grid.visibleRowCount());
  const double fit =
      measure("best_fit_all_columns", 3, nullptr, [&] { grid.applyBestFit(nullptr); });
  std::printf("best_fit_rows_per_second %.0f\n", kRows / fit);
  return 0;
}
