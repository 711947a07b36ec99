// Loads a prepared report and builds every page, as an export run does:
//   pages_bench REPORT.qdp [repeat]
// Prints the load time, the pages built per second and the peak resident
// memory of the process.

#include "document/qdxClass.h"
#include "document/qdxPreviewPages.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <sys/resource.h>

int main(int argc, char** argv) {
  if (argc < 2) {
    std::fprintf(stderr, "usage: pages_bench REPORT.qdp [repeat]\n");
    return 2;
  }
  int repeat = argc > 2 ? std::atoi(argv[2]) : 1;
  using clock = std::chrono::steady_clock;
  for (int r = 0; r < repeat; ++r) {
    TqdxReport report;
    TqdxPreviewPages pp(&report);
    auto t0 = clock::now();
    pp.LoadFromFile(argv[1], true);
    auto t1 = clock::now();
    long objects = 0;
    for (int i = 0; i < pp.Count(); ++i) {
      TqdxReportPage* page = pp.GetPage(i);
      objects += static_cast<long>(page->AllObjects().size());
      pp.ClearPageCache();
    }
    auto t2 = clock::now();
    double load = std::chrono::duration<double>(t1 - t0).count();
    double build = std::chrono::duration<double>(t2 - t1).count();
    rusage ru {};
    getrusage(RUSAGE_SELF, &ru);
    std::printf("pages %d objects %ld load %.3f s build %.3f s => %.0f pages/s (build only %.0f), peak RSS %.1f MB\n",
                pp.Count(), objects, load, build, pp.Count() / (load + build), pp.Count() / build, ru.ru_maxrss / 1024.0);
  }
  return 0;
}
