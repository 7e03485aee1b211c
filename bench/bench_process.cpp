// The whole program as a user meets it: `morvel --screenshot OUT.png FILE`
// started, the file opened, the window painted into the picture and the
// program ended, timed from the outside on generated files of each shape.
// Usage: bench_process [--runs N (3)] [--shape sample|wide|short] [rows...]
// (default: the sample shape at 100,000 and 1,000,000 lines). Prints the
// median wall time and the largest peak resident memory of the runs, one
// `name value unit` line each, and the machine's load average.
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <clocale>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "bench/SampleCsv.h"
#include "bench/Timing.h"

using namespace morvel;

namespace {

struct Run {
  double seconds = 0;
  double peakMegabytes = 0;
  int exitCode = -1;
};

// Starts the program on the file and waits for it; the program's own
// output is left to the terminal.
Run runProgram(const std::string& input, const std::string& picture) {
  Run run;
  const auto start = bench::Clock::now();
  const pid_t child = ::fork();
  if (child == 0) {
    ::execl(MORVEL_PROGRAM, MORVEL_PROGRAM, "--screenshot", picture.c_str(), input.c_str(),
            static_cast<char*>(nullptr));
    ::_exit(127);
  }
  int status = 0;
  rusage usage{};
  // A program that waits for a person (an error box) is stopped, not
  // waited for.
  constexpr double kGiveUpSeconds = 300;
  while (::wait4(child, &status, WNOHANG, &usage) == 0) {
    if (bench::seconds(start) > kGiveUpSeconds) {
      ::kill(child, SIGKILL);
      ::wait4(child, &status, 0, &usage);
      break;
    }
    ::usleep(2000);
  }
  run.seconds = bench::seconds(start);
  run.peakMegabytes = double(usage.ru_maxrss) / 1024.0;
  run.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
  return run;
}

}  // namespace

int main(int argc, char** argv) {
  int runs = 3;
  bench::CsvShape shape = bench::CsvShape::sample;
  std::string shapeName = "sample";
  std::vector<std::size_t> sizes;
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    if (arg == "--runs" && i + 1 < argc) {
      runs = std::max(1, std::atoi(argv[++i]));
    } else if (arg == "--shape" && i + 1 < argc && bench::csvShapeNamed(argv[i + 1], shape)) {
      shapeName = argv[++i];
    } else {
      sizes.push_back(std::strtoull(argv[i], nullptr, 10));
    }
  }
  if (sizes.empty()) sizes = {100'000, 1'000'000};
  // The program must not look for a display the machine may not have, and
  // the generated dates are day first: the program reads them in the order
  // of the locale's short date.
  setenv("QT_QPA_PLATFORM", "offscreen", 0);
  const char* dayFirst = "en_GB.UTF-8";
  if (locale_t probe = ::newlocale(LC_TIME_MASK, dayFirst, nullptr)) {
    ::freelocale(probe);
    setenv("LC_TIME", dayFirst, 1);
  } else if (shape == bench::CsvShape::sample) {
    std::fprintf(stderr,
                 "bench_process: the sample shape needs the %s locale for its dates "
                 "(Debian: the locales package, then locale-gen)\n",
                 dayFirst);
    return 2;
  }
  double load[3] = {0, 0, 0};
  if (getloadavg(load, 3) > 0) bench::report("machine_load_average_1min", load[0], "");

  const auto folder =
      std::filesystem::temp_directory_path() / ("morvel-process-" + std::to_string(::getpid()));
  std::filesystem::create_directories(folder);
  int status = 0;
  for (const std::size_t rows : sizes) {
    const std::string input = (folder / "in.csv").string();
    bench::writeShapedCsv(shape, input, rows, 1);
    std::vector<double> times;
    double peak = 0;
    for (int r = 0; r < runs; ++r) {
      const Run run = runProgram(input, (folder / "out.png").string());
      if (run.exitCode != 0) {
        std::fprintf(stderr, "morvel ended with %d on %zu lines\n", run.exitCode, rows);
        status = 1;
      }
      times.push_back(run.seconds);
      peak = std::max(peak, run.peakMegabytes);
    }
    const std::string p = "process_" + shapeName + "_" + std::to_string(rows) + "_";
    bench::report(p + "bytes", double(std::filesystem::file_size(input)), "B");
    bench::report(p + "seconds", bench::median(times), "s");
    bench::report(p + "peak_rss_megabytes", peak, "MB");
  }
  std::filesystem::remove_all(folder);
  return status;
}
