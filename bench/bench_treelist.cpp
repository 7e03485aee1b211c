// Tree-list core benchmark: a million rows shaped like the sample file (an
// ID, 8 text, 2 date and 3 date-time columns) on the fake platform. Prints
// one figure per line (name value unit), each the median of several runs.
#include <malloc.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <ctime>
#include <functional>
#include <random>
#include <string>
#include <string_view>
#include <vector>

#include "grid/view/CustomTreeListControl.h"
#include "platform/fake/FakeHost.h"

namespace morvel {
namespace {

constexpr int kRows = 1000000;
constexpr int kColumns = 14;
constexpr int kRuns = 5;

class BenchGrid : public CustomTreeListControl {
 public:
  using CustomTreeListControl::CustomTreeListControl;
  using CustomTreeListControl::refreshVisibleIndex;
};

double cpuSeconds() {
  timespec t;
  clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
  return double(t.tv_sec) + double(t.tv_nsec) * 1e-9;
}

double seconds(const std::function<void()>& work) {
  const auto start = std::chrono::steady_clock::now();
  work();
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

double median(std::vector<double> v) {
  std::sort(v.begin(), v.end());
  return v[v.size() / 2];
}

// Runs setup (untimed) and work (timed) kRuns times; reports the median wall
// time and, as the machine is shared, the median processor time too.
void measure(const char* name, const std::function<void()>& setup,
             const std::function<void()>& work, double rowsPerRun = 0) {
  std::vector<double> wall;
  std::vector<double> cpu;
  for (int i = 0; i < kRuns; ++i) {
    if (setup) setup();
    const double cpuStart = cpuSeconds();
    wall.push_back(seconds(work));
    cpu.push_back(cpuSeconds() - cpuStart);
  }
  std::printf("%s %.3f s\n", name, median(wall));
  std::printf("%s_cpu %.3f s\n", name, median(cpu));
  if (rowsPerRun > 0) std::printf("%s_rate %.0f rows/s\n", name, rowsPerRun / median(wall));
  std::fflush(stdout);
}

// The texts of one generated row.
struct RowMaker {
  std::mt19937 rng{12345};
  std::vector<std::string> words;
  RowMaker() {
    const char* syllables[] = {"ka", "lo",  "mer", "ta",  "vin", "do", "shi", "ra",  "pe", "lu",
                               "an", "bel", "cor", "dan", "el",  "fi", "gor", "hal", "is", "jo"};
    for (int i = 0; i < 2000; ++i) {
      std::string w;
      const int parts = 2 + static_cast<int>(rng() % 3);
      for (int p = 0; p < parts; ++p) w += syllables[rng() % 20];
      w[0] = static_cast<char>(w[0] - 'a' + 'A');
      words.push_back(w);
    }
  }
  std::string word() { return words[rng() % words.size()]; }
  std::string date() {
    return std::to_string(1 + rng() % 12) + "/" + std::to_string(1 + rng() % 28) + "/" +
           std::to_string(1990 + rng() % 30);
  }
  std::vector<std::string> row(int id) {
    char buffer[16];
    std::snprintf(buffer, sizeof buffer, "%07d", id);
    std::vector<std::string> t{buffer};
    t.push_back(word() + " " + word());               // name
    t.push_back(std::string(words[rng() % 50]));      // city: few distinct values
    for (int i = 0; i < 6; ++i) t.push_back(word());  // more text
    t.push_back(date());
    t.push_back(date());
    for (int i = 0; i < 3; ++i)
      t.push_back(date() + " 10:2" + std::to_string(rng() % 10) + ":00 AM");
    return t;
  }
};

void run() {
  FakeHost host({1920, 1080});
  BenchGrid grid(host);
  grid.setName("gridData");
  for (int c = 0; c < kColumns; ++c) grid.createColumn();

  // The rows' texts, generated before anything is measured.
  RowMaker maker;
  std::vector<std::vector<std::string>> data;
  data.reserve(kRows);
  for (int i = 0; i < kRows; ++i) data.push_back(maker.row(i + 1));
  std::size_t textBytes = 0;
  for (const auto& row : data) {
    for (const auto& t : row) textBytes += t.size();
  }

  // Adding: a million leaf nodes under the update lock.
  measure(
      "add_1m_nodes_locked", [&] { grid.clearNodes(); },
      [&] {
        CustomTreeList::UpdateLock lock(grid);
        for (int i = 0; i < kRows; ++i) grid.addNode()->setData(static_cast<std::uintptr_t>(i));
      },
      kRows);

  // Fill every row's texts once (not a target; the loader's cost), and what
  // a loaded row costs in memory, nodes and texts together.
  grid.clearNodes();
  const std::size_t heapBefore = mallinfo2().uordblks;
  {
    const double t = seconds([&] {
      CustomTreeList::UpdateLock lock(grid);
      std::vector<std::string_view> views(kColumns);
      for (int i = 0; i < kRows; ++i) {
        TreeListNode* node = grid.addNode();
        for (int c = 0; c < kColumns; ++c) views[c] = data[i][c];
        static_cast<TreeListTextNode*>(node)->texts().assign(views);
      }
    });
    std::printf("add_and_fill_1m_rows %.3f s\n", t);
  }
  const std::size_t heapAfter = mallinfo2().uordblks;
  std::printf("node_size %zu bytes\n", sizeof(TreeListTextNode));
  std::printf("row_memory %.1f bytes/row\n", double(heapAfter - heapBefore) / kRows);
  std::printf("row_text_bytes %.1f bytes/row\n", double(textBytes) / kRows);
  std::printf("rows_memory_1m %.0f MB\n", double(heapAfter - heapBefore) / 1e6);
  data.clear();
  data.shrink_to_fit();

  // Best fit of every column with the fake metrics, in file order, as the
  // viewer runs it right after loading.
  measure(
      "best_fit_14_columns_1m", nullptr, [&] { grid.applyBestFit(nullptr); }, kRows);
  measure(
      "rebuild_visible_index_1m", nullptr, [&] { grid.refreshVisibleIndex(); }, kRows);

  // Sorting from file order (by ID) each time.
  TreeListColumn* id = grid.columns(0);
  TreeListColumn* name = grid.columns(1);
  TreeListColumn* city = grid.columns(2);
  grid.setOptionsEx(grid.optionsEx().with(goAutoSort).with(goMultiSort));
  const auto fileOrder = [&] {
    grid.columnHeaderClick(id);
    if (id->sorted() != csUp) grid.columnHeaderClick(id);
  };
  measure(
      "sort_1m_by_text", fileOrder, [&] { grid.columnHeaderClick(name); }, kRows);
  measure(
      "sort_1m_by_two_keys",
      [&] {
        fileOrder();
        grid.columnHeaderClick(city);
      },
      [&] {
        grid.setAddSortKey(true);
        grid.columnHeaderClick(name);
        grid.setAddSortKey(false);
      },
      kRows);

  // Again after sorting, with the rows scattered in memory.
  measure(
      "best_fit_14_columns_1m_sorted", nullptr, [&] { grid.applyBestFit(nullptr); }, kRows);

  // Expanding and collapsing 10,000 groups of 100.
  grid.clearNodes();
  {
    CustomTreeList::UpdateLock lock(grid);
    for (int g = 0; g < 10000; ++g) {
      TreeListNode* group = grid.addNode();
      for (int i = 0; i < 100; ++i) group->addChild();
    }
  }
  measure(
      "expand_all_10k_groups", [&] { grid.collapseAll(); }, [&] { grid.expandAll(); });
  measure(
      "collapse_all_10k_groups", [&] { grid.expandAll(); }, [&] { grid.collapseAll(); });
  measure(
      "clear_1m_nodes",
      [&] {
        grid.clearNodes();
        CustomTreeList::UpdateLock lock(grid);
        for (int i = 0; i < kRows; ++i) grid.addNode();
      },
      [&] { grid.clearNodes(); }, kRows);
}

}  // namespace
}  // namespace morvel

int main() {
  morvel::run();
  return 0;
}
