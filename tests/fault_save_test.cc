// Saving into a place that refuses the results: a read-only "results.txt", a read-only folder
// and a full disk. The screen says what failed, a failed save during the search is tried again
// while the search goes on, an existing file is never damaged, and a failed final save ends the
// program with exit code 1.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <fstream>
#include <iostream>
#include <string>
#include <vector>

#include "input/file_reader.h"
#include "tests/support/instance_files.h"
#include "tests/support/process.h"
#include "tests/support/results_checker.h"
#include "tests/support/temp_folder.h"

namespace quorvale::test {
namespace {

using std::chrono::seconds;

constexpr int kSaveErrorRow = 15;
constexpr int kStoppedRow = 15;  // the stop message takes the rows of a save error
constexpr int kNoticeRow = 18;
constexpr const char* kKept = "an older results file\n";

// The save error as rows 15 and 16 show it, the second row joined on with a space.
std::string SaveError(const FinishedRun& run) {
  const std::string second = run.Row(kSaveErrorRow + 1);
  return run.Row(kSaveErrorRow) + (second.empty() ? "" : " " + second.substr(1));
}

std::string SaveErrorFor(const std::string& reason) {
  return " Could not save the results: " + reason;
}

std::string ReadText(const std::string& path) { return ReadFileText(path).text; }

TEST(FaultSaveTest, ReadOnlyResultsFileIsLeftAloneAndTheFinalSaveFails) {
  Watchdog watchdog(seconds(60), "the read-only results test");
  TempFolder folder;
  TempFolder output;
  WriteInstanceFiles(folder.path(), MakeInstance(QuickSearch()));
  const std::string results = folder.WriteFile("results.txt", kKept);
  ASSERT_EQ(::chmod(results.c_str(), 0444), 0);

  const FinishedRun run =
      RunToEnd(ProgramInFolder(folder.path(), output.PathOf("screen")), seconds(30));
  EXPECT_EQ(run.exit, ExitedWith(1)) << run.exit.Describe();
  EXPECT_EQ(SaveError(run), SaveErrorFor(results + " is read-only; it was left as it is."));
  EXPECT_EQ(ReadText(results), kKept);
}

TEST(FaultSaveTest, AFailedInterimSaveIsRetriedWhileTheSearchGoesOn) {
  Watchdog watchdog(seconds(60), "the interim retry test");
  TempFolder folder;
  TempFolder output;
  WriteInstanceFiles(folder.path(), MakeInstance(LongSearch(300, 9)));
  const std::string results = folder.WriteFile("results.txt", kKept);
  ASSERT_EQ(::chmod(results.c_str(), 0444), 0);

  const std::string screen = output.PathOf("screen");
  ChildProcess child(ProgramPath(), ProgramInFolder(folder.path(), screen));
  // Past the first interim save, which the read-only file refuses.
  std::this_thread::sleep_for(milliseconds(17500));
  ASSERT_TRUE(child.Running()) << child.status()->Describe();
  EXPECT_EQ(ReadText(results), kKept);

  ASSERT_EQ(::chmod(results.c_str(), 0644), 0);
  EXPECT_TRUE(WaitUntil([&] { return ReadText(results) != kKept; }, seconds(15)))
      << "the save was not tried again once the file could be written";
  child.Signal(SIGINT);
  const std::optional<ExitStatus> status = child.WaitFor(seconds(20));
  ASSERT_TRUE(status.has_value());
  EXPECT_EQ(*status, ExitedWith(128 + SIGINT));
  const Status check = CheckResultsFolder(folder.path());
  EXPECT_TRUE(check.ok()) << check.message();
  const std::vector<std::string> rows = ReadLines(screen);
  ASSERT_EQ(rows.size(), 25u);
  EXPECT_EQ(rows[kSaveErrorRow + 1], "") << "the error stays on the screen after a good save";
  EXPECT_EQ(rows[kStoppedRow],
            " Search stopped: the best grouping found so far is saved in " + results);
  EXPECT_NE(rows[kNoticeRow].find("Interim (Best-So-Far) Results-Saving is now ON."),
            std::string::npos);
}

// Whether the program can be started by `user` from where it was built.
bool RunnableAs(const UserIds& user) {
  ChildOptions options;
  options.arguments = {"--version"};
  options.run_as = user;
  ChildProcess child(ProgramPath(), options);
  const std::optional<ExitStatus> status = child.WaitFor(seconds(10));
  return status && *status == ExitedWith(0);
}

TEST(FaultSaveTest, ReadOnlyFolderIsReportedAndTheFinalSaveFails) {
  Watchdog watchdog(seconds(60), "the read-only folder test");
  const std::optional<UserIds> user = ::geteuid() == 0 ? UnprivilegedUser() : UserIds{};
  if (!user) GTEST_SKIP() << "running as root without a user 'nobody' to drop to";
  if (::geteuid() == 0 && !RunnableAs(*user)) {
    GTEST_SKIP() << "user 'nobody' cannot run " << ProgramPath();
  }
  TempFolder folder;
  TempFolder output;
  WriteInstanceFiles(folder.path(), MakeInstance(QuickSearch()));
  ASSERT_EQ(::chmod(folder.path().c_str(), 0555), 0);
  ChildOptions options = ProgramInFolder(folder.path(), output.PathOf("screen"));
  if (::geteuid() == 0) options.run_as = user;

  const FinishedRun run = RunToEnd(options, seconds(30));
  EXPECT_EQ(run.exit, ExitedWith(1)) << run.exit.Describe();
  EXPECT_EQ(SaveError(run),
            SaveErrorFor("cannot create a file in " + folder.path() + ": Permission denied."));
  EXPECT_TRUE(ReadFileText(folder.PathOf("results.txt")).missing);
  ::chmod(folder.path().c_str(), 0700);
}

// A tmpfs of its own, mounted over a folder for the lifetime of the object, when this process
// may mount one.
class SmallDisk {
 public:
  explicit SmallDisk(const std::string& folder) : folder_(folder) {
    mounted_ =
        RunCommand({"/bin/mount", "-t", "tmpfs", "-o", "size=256k", "tmpfs", folder}, seconds(10))
            .exit == ExitedWith(0);
  }
  ~SmallDisk() {
    if (mounted_) RunCommand({"/bin/umount", folder_}, seconds(10));
  }
  bool mounted() const { return mounted_; }
  // Writes a file until the disk refuses more; true when it ends full.
  bool Fill() const {
    std::ofstream filler(folder_ + "/filler", std::ios::binary);
    const std::string block(4096, 'x');
    for (int i = 0; i < 1024 && filler; ++i) filler.write(block.data(), block.size());
    filler.close();
    std::ofstream probe(folder_ + "/probe", std::ios::binary);
    probe << std::string(4096, 'x');
    probe.close();
    return !probe;
  }

 private:
  std::string folder_;
  bool mounted_ = false;
};

TEST(FaultSaveTest, FullDiskIsReportedAndTheFinalSaveFails) {
  Watchdog watchdog(seconds(60), "the full-disk test");
  TempFolder scratch;
  TempFolder output;
  const std::string folder = scratch.PathOf("disk");
  ASSERT_EQ(::mkdir(folder.c_str(), 0755), 0);
  // Results of 800 persons need some 10 kB, more than either kind of full disk lets through.
  InstanceShape shape = QuickSearch();
  shape.persons = 800;
  shape.groups = 20;

  SmallDisk disk(folder);
  ChildOptions options = ProgramInFolder(folder, output.PathOf("screen"));
  std::string reason = "cannot write " + folder + "/results.txt: ";
  if (disk.mounted()) {
    WriteInstanceFiles(folder, MakeInstance(shape));
    ASSERT_TRUE(disk.Fill()) << "the small disk did not fill up";
    reason += "No space left on device.";
    std::cout << "full disk: a 256 kB tmpfs, filled up\n";
    RecordProperty("full_disk", "tmpfs");
  } else {
    WriteInstanceFiles(folder, MakeInstance(shape));
    // The screen of 25 rows that the program prints at its end must still fit.
    options.file_size_limit = 6000;
    reason += "File too large.";
    std::cout << "full disk: mount is not allowed here, so a file-size limit of 6000 bytes\n";
    RecordProperty("full_disk", "RLIMIT_FSIZE");
  }

  const FinishedRun run = RunToEnd(options, seconds(45));
  EXPECT_EQ(run.exit, ExitedWith(1)) << run.exit.Describe();
  EXPECT_EQ(SaveError(run), SaveErrorFor(reason));
  EXPECT_TRUE(ReadFileText(folder + "/results.txt").missing);
}

}  // namespace
}  // namespace quorvale::test
