// The command line.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/options.h"

namespace quorvale {
namespace {

Status Parse(std::vector<std::string> words, Options& options) {
  words.insert(words.begin(), "quorvalemixer");
  std::vector<char*> argv;
  for (std::string& word : words) argv.push_back(word.data());
  argv.push_back(nullptr);
  return ParseOptions(static_cast<int>(words.size()), argv.data(), options);
}

TEST(OptionsTest, AcceptsEveryOption) {
  Options options;
  ASSERT_TRUE(Parse({}, options).ok());
  EXPECT_FALSE(options.folder.has_value());
  EXPECT_FALSE(options.seed.has_value());
  ASSERT_TRUE(Parse({"--folder", "/tmp/x", "--seed=4294967295", "--no-pause"}, options).ok());
  EXPECT_EQ(*options.folder, "/tmp/x");
  EXPECT_EQ(*options.seed, 4294967295u);
  EXPECT_TRUE(options.no_pause);
  ASSERT_TRUE(Parse({"--help"}, options).ok());
  EXPECT_TRUE(options.help);
}

TEST(OptionsTest, RefusesWhatItDoesNotKnow) {
  Options options;
  EXPECT_EQ(Parse({"--fast"}, options).message(), "unknown option '--fast'");
  EXPECT_EQ(Parse({"stray"}, options).message(), "unexpected argument 'stray'");
  EXPECT_EQ(Parse({"--seed"}, options).message(), "option '--seed' needs a value");
  for (const char* bad : {"-1", "4294967296", "12x", ""}) {
    EXPECT_FALSE(Parse({"--seed", bad}, options).ok()) << bad;
  }
  EXPECT_FALSE(Parse({"--folder="}, options).ok());
}

}  // namespace
}  // namespace quorvale
