// The program's entry: sets the application up, shows the main window and
// runs the user-interface loop until the window is closed.
//
//   morvel [FILE.csv]                      open FILE after the window shows
//   morvel --screenshot OUT.png [FILE.csv] render the window into OUT.png
//   morvel --help | --version
#include <sys/stat.h>

#include <QApplication>
#include <QImage>
#include <QTimer>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "app/AppDialogs.h"
#include "app/DataGrid.h"
#include "app/MainWindow.h"

namespace {

constexpr const char* kUsage =
    "Usage: morvel [FILE.csv]\n"
    "       morvel --screenshot OUT.png [--group COLUMN]... [FILE.csv]\n"
    "       morvel --help | --version\n"
    "\n"
    "Morvel shows a CSV file in a grid: the first line names the columns, every\n"
    "further line is a record. Sort by clicking column headers, group by dragging\n"
    "a header onto the bar above the grid, and save with File > Save As.\n"
    "\n"
    "  FILE.csv              open this file once the window is shown\n"
    "  --screenshot OUT.png  open FILE.csv (if given), render the window into\n"
    "                        OUT.png and exit\n"
    "  --group COLUMN        with --screenshot: group the rows by that column\n"
    "                        (repeat for more levels), every group expanded\n"
    "  --help                show this text and exit\n"
    "  --version             show the version and exit\n";

// A failure that escapes an event handler is shown like a failed command,
// and the loop carries on.
class Application : public QApplication {
 public:
  using QApplication::QApplication;
  bool notify(QObject* receiver, QEvent* event) override {
    try {
      return QApplication::notify(receiver, event);
    } catch (const morvel::Abort&) {
    } catch (const std::exception& e) {
      morvel::showErrorBox(activeWindow(), e.what());
    }
    return false;
  }
};

struct Options {
  std::string file;
  std::string screenshot;
  std::vector<std::string> groups;
  bool help = false;
  bool version = false;
  std::string error;
};

Options parse(int argc, char** argv) {
  Options o;
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    if (arg == "--help" || arg == "-h") {
      o.help = true;
    } else if (arg == "--version") {
      o.version = true;
    } else if (arg == "--screenshot") {
      if (i + 1 >= argc) {
        o.error = "--screenshot needs a file name";
        return o;
      }
      o.screenshot = argv[++i];
    } else if (arg == "--group") {
      if (i + 1 >= argc) {
        o.error = "--group needs a column name";
        return o;
      }
      o.groups.push_back(argv[++i]);
    } else if (arg.size() > 1 && arg[0] == '-' && arg != "--") {
      o.error = "unknown option " + arg;
      return o;
    } else if (o.file.empty()) {
      o.file = arg == "--" && i + 1 < argc ? argv[++i] : arg;
    } else {
      o.error = "only one file can be opened";
      return o;
    }
  }
  return o;
}

}  // namespace

int main(int argc, char** argv) {
  const Options options = parse(argc, argv);
  if (!options.error.empty()) {
    std::fprintf(stderr, "morvel: %s\n\n%s", options.error.c_str(), kUsage);
    return 2;
  }
  if (options.help) {
    std::fputs(kUsage, stdout);
    return 0;
  }
  if (options.version) {
    std::puts("Morvel Version 1.1");
    return 0;
  }

  Application app(argc, argv);
  QApplication::setApplicationName("Morvel");
  QApplication::setApplicationVersion("1.1");
  QApplication::setDesktopFileName("morvel");

  morvel::MainWindow window;
  if (!options.file.empty()) {
    struct stat st {};
    if (::stat(options.file.c_str(), &st) != 0 || S_ISDIR(st.st_mode)) {
      // The window itself passes over a missing file in silence; on the
      // command line the user deserves to hear why nothing opened.
      std::fprintf(stderr, "morvel: %s: no such file\n", options.file.c_str());
    }
  }

  if (!options.screenshot.empty()) {
    window.show();
    if (!options.file.empty()) window.openFromOutside(options.file);
    auto& grid = static_cast<morvel::DataGrid&>(window.gridData());
    for (const std::string& column : options.groups) {
      if (!grid.groupBy(column)) {
        std::fprintf(stderr, "morvel: no column %s to group by\n", column.c_str());
        return 1;
      }
    }
    if (!options.groups.empty()) grid.expandAll();
    QApplication::processEvents();
    const QImage image = window.grab().toImage();
    if (!image.save(QString::fromStdString(options.screenshot))) {
      std::fprintf(stderr, "morvel: cannot write %s\n", options.screenshot.c_str());
      return 1;
    }
    return 0;
  }

  window.show();
  if (!options.file.empty()) {
    QTimer::singleShot(0, &window, [&] { window.openFromOutside(options.file); });
  }
  return QApplication::exec();
}
