// Tests of ReadFileText on real files: exact contents, and each way a path can fail.
#include <sys/stat.h>
#include <unistd.h>

#include <string>
#include <tuple>

#include <gtest/gtest.h>

#include "input/file_reader.h"
#include "tests/support/temp_folder.h"

namespace quorvale {
namespace {

TEST(FileReaderTest, ReadsEveryByteAndSaysWhyAPathCannotBeRead) {
  const test::TempFolder folder;
  const std::string contents("6 4\r\n\0\xFF end", 12);
  const FileText file = ReadFileText(folder.WriteFile("data.txt", contents));
  EXPECT_TRUE(file.status.ok()) << file.status.message();
  EXPECT_EQ(file.text, contents);
  const std::string sub = folder.PathOf("sub"), loop = folder.PathOf("loop.txt");
  const std::string pipe = folder.PathOf("pipe.txt"), locked = folder.WriteFile("locked", "1");
  ASSERT_EQ(mkdir(sub.c_str(), 0700) + symlink("loop.txt", loop.c_str()), 0);
  ASSERT_EQ(mkfifo(pipe.c_str(), 0600) + chmod(locked.c_str(), 0), 0);
  // A pipe is refused at once rather than waited on for a writer.
  const std::tuple<std::string, bool, std::string> kCases[] = {
      {folder.PathOf("none"), true, "open %: there is no such file."},
      {sub, false, "read %: it is a folder, not a file."},
      {loop, false, "open %: its path runs into a loop of symbolic links."},
      {pipe, false, "read %: it is a device or a pipe, not a file."},
      {locked, false, "open %: no permission to read it."},
  };
  for (auto [path, missing, message] : kCases) {
    if (path == locked && geteuid() == 0) continue;  // root can read any file
    const FileText failed = ReadFileText(path);
    EXPECT_EQ(failed.missing, missing) << path;
    EXPECT_EQ(failed.status.message(), "Cannot " + message.replace(message.find('%'), 1, path));
  }
}

}  // namespace
}  // namespace quorvale
