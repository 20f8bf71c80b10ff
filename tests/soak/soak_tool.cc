// The soak run's helper (tests/soak/run_soak.sh):
//   soak_tool generate FOLDER PERSONS SEED   writes an instance for a long search into FOLDER
//   soak_tool check FOLDER                   exit 0 and "best B status S cycle C" when
//                                            FOLDER/results.txt passes the check, else 1 and why
#include <cstdio>
#include <cstdlib>
#include <string>

#include "tests/support/instance_files.h"
#include "tests/support/results_checker.h"

int main(int argc, char** argv) {
  using namespace quorvale::test;
  if (argc == 5 && std::string(argv[1]) == "generate") {
    WriteInstance(argv[2], std::atoi(argv[3]), std::strtoul(argv[4], nullptr, 10), false);
    return 0;
  }
  ResultsSummary s;
  const std::string error =
      argc == 3 && std::string(argv[1]) == "check"
          ? CheckResultsFolder(argv[2], &s)
          : "usage: soak_tool generate FOLDER PERSONS SEED | soak_tool check FOLDER";
  if (error.empty())
    std::printf("best %lld status %lld cycle %lld\n", s.BestScore, s.TargetStatus, s.CycleNumber);
  else
    std::fprintf(stderr, "%s\n", error.c_str());
  return error.empty() ? 0 : 1;
}
