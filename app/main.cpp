// The program's entry: sets the application up, shows the main window and
// runs the user-interface loop until the window is closed.
//
//   morvel [FILE.csv]                      open FILE after the window shows
//   morvel --screenshot OUT.png [FILE.csv] render the window into OUT.png
//   morvel --help | --version
//
// Exit status: 0 done, 1 a failure in --screenshot mode (shown on standard
// error), 2 a wrong command line, 3 no display to show a window on.
#include <QAction>
#include <QApplication>
#include <QImage>
#include <QTimer>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "app/AppDialogs.h"
#include "app/DataGrid.h"
#include "app/FindFilter.h"
#include "app/MainWindow.h"
#include "status/StatusPane.h"

namespace {

constexpr int kExitFailed = 1;
constexpr int kExitUsage = 2;
constexpr int kExitNoDisplay = 3;

constexpr const char* kUsage =
    "Usage: morvel [FILE.csv]\n"
    "       morvel --screenshot OUT.png [--group COLUMN]... [--group-counts]\n"
    "                     [--filter TEXT] [FILE.csv]\n"
    "       morvel --help | --version\n"
    "\n"
    "Morvel shows a CSV file in a grid: the first line names the columns, every\n"
    "further line is a record. Sort by clicking column headers, group by dragging\n"
    "a header onto the bar above the grid, and save with File > Save As.\n"
    "\n"
    "  FILE.csv              open this file once the window is shown\n"
    "  --screenshot OUT.png  open FILE.csv (if given), render the window into\n"
    "                        OUT.png and exit; errors and the status bar's text\n"
    "                        go to standard error, and an error makes the exit\n"
    "                        status 1\n"
    "  --group COLUMN        with --screenshot: group the rows by that column\n"
    "                        (repeat for more levels), every group expanded\n"
    "  --group-counts        with --screenshot: each group row shows its count\n"
    "  --filter TEXT         with --screenshot: show only the rows holding TEXT,\n"
    "                        with the filter bar open\n"
    "  --help                show this text and exit\n"
    "  --version             show the version and exit\n"
    "\n"
    "Dates are read in the order of the locale's short date; to read day/month/year\n"
    "files elsewhere, start it as: LC_TIME=en_GB.UTF-8 morvel FILE.csv\n";

// How to show a window when there is nowhere to show it.
constexpr const char* kNoDisplayHelp =
    "Morvel needs a graphical desktop: start it from a desktop session, point\n"
    "DISPLAY at a running X server (for example DISPLAY=:0), or run it on a\n"
    "virtual one: xvfb-run morvel FILE.csv\n";

bool isSet(const char* name) {
  const char* value = std::getenv(name);
  return value && *value;
}

// Why no window can be shown, before the toolkit finds out and aborts;
// empty when a display (or a platform that needs none) is there.
std::string missingDisplay() {
  const char* platform = std::getenv("QT_QPA_PLATFORM");
  const std::string name = platform ? platform : "";
  const auto startsWith = [&](const char* prefix) { return name.rfind(prefix, 0) == 0; };
  if (startsWith("xcb")) {
    return isSet("DISPLAY") ? std::string() : "DISPLAY is not set";
  }
  if (startsWith("wayland")) {
    return isSet("WAYLAND_DISPLAY") || isSet("WAYLAND_SOCKET") ? std::string()
                                                               : "WAYLAND_DISPLAY is not set";
  }
  if (!name.empty()) return {};  // offscreen, vnc, a framebuffer...: no display server
  if (isSet("DISPLAY") || isSet("WAYLAND_DISPLAY") || isSet("WAYLAND_SOCKET")) return {};
  return "neither DISPLAY nor WAYLAND_DISPLAY is set";
}

// While the application starts: a display that cannot be reached ends the
// program with the same advice instead of the toolkit's abort.
// The toolkit's own fatal text ("Reinstalling the application may fix this
// problem") would mislead, so it gives way to the advice; its warnings
// before it (which display could not be reached) stay.
void startupMessages(QtMsgType type, const QMessageLogContext&, const QString& message) {
  if (type != QtFatalMsg) {
    std::fprintf(stderr, "%s\n", message.toLocal8Bit().constData());
    return;
  }
  std::fprintf(stderr, "morvel: no display to show the window on\n%s", kNoDisplayHelp);
  std::_Exit(kExitNoDisplay);
}

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
  std::string filter;
  bool groupCounts = false;
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
    } else if (arg == "--filter") {
      if (i + 1 >= argc) {
        o.error = "--filter needs a text";
        return o;
      }
      o.filter = argv[++i];
    } else if (arg == "--group-counts") {
      o.groupCounts = true;
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

// A --screenshot run ends as soon as its picture is written: its caller waits
// for the process, and the system takes back all of its memory at once,
// where freeing a million rows one by one would keep the caller waiting for
// nothing (the window took no input, so there is no clipboard to hand on).
// Sanitizer builds end the usual way, so that leak checks still see the
// whole program.
int endNow(int code) {
#if defined(__SANITIZE_ADDRESS__)
  return code;
#else
  std::fflush(nullptr);
  std::_Exit(code);
#endif
}

}  // namespace

int main(int argc, char** argv) {
  const Options options = parse(argc, argv);
  if (!options.error.empty()) {
    std::fprintf(stderr, "morvel: %s\n\n%s", options.error.c_str(), kUsage);
    return kExitUsage;
  }
  if (options.help) {
    std::fputs(kUsage, stdout);
    return 0;
  }
  if (options.version) {
    std::printf("Morvel Version %s\n", MORVEL_VERSION);
    return 0;
  }
  if (const std::string missing = missingDisplay(); !missing.empty()) {
    std::fprintf(stderr, "morvel: no display to show the window on: %s\n%s", missing.c_str(),
                 kNoDisplayHelp);
    return kExitNoDisplay;
  }

  const QtMessageHandler previous = qInstallMessageHandler(startupMessages);
  Application app(argc, argv);
  qInstallMessageHandler(previous);
  QApplication::setApplicationName("Morvel");
  QApplication::setApplicationVersion(MORVEL_VERSION);
  QApplication::setDesktopFileName("morvel");

  morvel::MainWindow window;

  if (!options.screenshot.empty()) {
    // No one is there to answer a box: what it would say goes to standard
    // error, and the run ends as failed once the picture is written.
    bool failed = false;
    morvel::setErrorBoxHandler([&](const std::string&, const std::string& text) {
      std::fprintf(stderr, "morvel: %s\n", text.c_str());
      failed = true;
    });
    morvel::setQuestionHandler([](const std::string&) { return false; });
    window.show();
    if (!options.file.empty()) window.openFromOutside(options.file);
    auto& grid = static_cast<morvel::DataGrid&>(window.gridData());
    for (const std::string& column : options.groups) {
      if (!grid.groupBy(column)) {
        std::fprintf(stderr, "morvel: no column %s to group by\n", column.c_str());
        return kExitFailed;
      }
    }
    if (options.groupCounts) {
      if (QAction* counts = window.findChild<QAction*>("miGroupCounts")) counts->trigger();
    }
    if (!options.filter.empty()) window.findFilter().filterByValue(options.filter);
    if (!options.groups.empty()) grid.expandAll();
    QApplication::processEvents();
    if (const std::string status = window.spStatus().caption(); !status.empty()) {
      std::fprintf(stderr, "morvel: status bar: %s\n", status.c_str());
    }
    const QImage image = window.grab().toImage();
    if (!image.save(QString::fromStdString(options.screenshot))) {
      std::fprintf(stderr, "morvel: cannot write %s\n", options.screenshot.c_str());
      return kExitFailed;
    }
    return endNow(failed ? kExitFailed : 0);
  }

  window.show();
  if (!options.file.empty()) {
    QTimer::singleShot(0, &window, [&] { window.openFromOutside(options.file); });
  }
  return QApplication::exec();
}
