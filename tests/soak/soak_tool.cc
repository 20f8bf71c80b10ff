// The soak run's helper: writes a generated instance into a folder, and checks a folder's
// "results.txt" against its input with the tests' results checker.
//
//   soak_tool generate FOLDER PERSONS SEED   parameters.txt and data.txt for a long search
//   soak_tool check FOLDER                   exit 0 and one line "best B status S cycle C"
//                                            when results.txt passes, else exit 1 and why
#include <cstdio>
#include <cstdlib>
#include <string>

#include "tests/support/instance_files.h"
#include "tests/support/results_checker.h"

int main(int argc, char** argv) {
  using namespace quorvale::test;
  const std::string command = argc > 1 ? argv[1] : "";
  if (command == "generate" && argc == 5) {
    WriteInstanceFiles(
        argv[2],
        MakeInstance(LongSearch(std::atoi(argv[3]), static_cast<uint32_t>(std::atol(argv[4])))));
    return 0;
  }
  if (command == "check" && argc == 3) {
    ResultsSummary summary;
    const quorvale::Status status = CheckResultsFolder(argv[2], &summary);
    if (!status.ok()) {
      std::fprintf(stderr, "%s\n", status.message().c_str());
      return 1;
    }
    std::printf("best %lld status %d cycle %d\n", static_cast<long long>(summary.BestScore),
                summary.TargetStatus, summary.CycleNumber);
    return 0;
  }
  std::fprintf(stderr, "usage: soak_tool generate FOLDER PERSONS SEED | soak_tool check FOLDER\n");
  return 2;
}
