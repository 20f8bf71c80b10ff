// Tests of ReadFileText on real files: exact contents, and each way a path can fail.
#include <sys/stat.h>
#include <unistd.h>

#include <string>

#include <gtest/gtest.h>

#include "input/file_reader.h"
#include "tests/support/temp_folder.h"

namespace quorvale {
namespace {

TEST(FileReaderTest, ReadsEveryByte) {
  const test::TempFolder folder;
  const std::string contents("6 4\r\n\0\xFF end", 12);
  const FileText file = ReadFileText(folder.WriteFile("data.txt", contents));
  EXPECT_TRUE(file.status.ok()) << file.status.message();
  EXPECT_FALSE(file.missing);
  EXPECT_EQ(file.text, contents);

  const FileText empty = ReadFileText(folder.WriteFile("empty.txt", ""));
  EXPECT_TRUE(empty.status.ok());
  EXPECT_EQ(empty.text, "");
}

TEST(FileReaderTest, ReportsAMissingFile) {
  const test::TempFolder folder;
  const std::string path = folder.PathOf("data.txt");
  const FileText file = ReadFileText(path);
  EXPECT_TRUE(file.missing);
  EXPECT_EQ(file.status.message(), "Cannot open " + path + ": there is no such file.");

  // A file where a folder of the path was expected counts as missing too.
  const std::string under_file = folder.WriteFile("plain", "1") + "/data.txt";
  const FileText not_folder = ReadFileText(under_file);
  EXPECT_TRUE(not_folder.missing);
  EXPECT_EQ(not_folder.status.message(), "Cannot open " + under_file + ": there is no such file.");
}

TEST(FileReaderTest, ReportsWhyAnExistingPathCannotBeRead) {
  const test::TempFolder folder;
  const std::string sub = folder.PathOf("data.txt");
  ASSERT_EQ(mkdir(sub.c_str(), 0700), 0);
  FileText file = ReadFileText(sub);
  EXPECT_FALSE(file.missing);
  EXPECT_EQ(file.status.message(), "Cannot read " + sub + ": it is a folder, not a file.");

  const std::string loop = folder.PathOf("loop.txt");
  ASSERT_EQ(symlink("loop.txt", loop.c_str()), 0);
  file = ReadFileText(loop);
  EXPECT_FALSE(file.missing);
  EXPECT_EQ(file.status.message(),
            "Cannot open " + loop + ": its path runs into a loop of symbolic links.");

  // Refused at once rather than waited on for a writer.
  const std::string pipe = folder.PathOf("pipe.txt");
  ASSERT_EQ(mkfifo(pipe.c_str(), 0600), 0);
  file = ReadFileText(pipe);
  EXPECT_FALSE(file.missing);
  EXPECT_EQ(file.status.message(),
            "Cannot read " + pipe + ": it is a device or a pipe, not a file.");
}

TEST(FileReaderTest, ReportsAnUnreadableFile) {
  if (geteuid() == 0) GTEST_SKIP() << "root can read any file";
  const test::TempFolder folder;
  const std::string path = folder.WriteFile("parameters.txt", "6 4 1 2 2 3 2 1");
  ASSERT_EQ(chmod(path.c_str(), 0), 0);
  const FileText file = ReadFileText(path);
  EXPECT_FALSE(file.missing);
  EXPECT_EQ(file.status.message(), "Cannot open " + path + ": no permission to read it.");
}

}  // namespace
}  // namespace quorvale
