// Implementation of the temporary folder for tests.
#include "tests/support/temp_folder.h"

#include <stdlib.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <vector>

namespace quorvale::test {

TempFolder::TempFolder() {
  const std::string pattern =
      (std::filesystem::temp_directory_path() / "quorvale-test-XXXXXX").string();
  std::vector<char> buffer(pattern.begin(), pattern.end());
  buffer.push_back('\0');
  if (mkdtemp(buffer.data()) == nullptr) {
    throw std::runtime_error("cannot create a temporary folder from " + pattern);
  }
  path_ = buffer.data();
}

TempFolder::~TempFolder() {
  // Does not follow symbolic links, so links and loops made by a test are removed as links.
  std::error_code ignored;
  std::filesystem::remove_all(path_, ignored);
}

std::string TempFolder::PathOf(std::string_view name) const {
  return path_ + "/" + std::string(name);
}

std::string TempFolder::WriteFile(std::string_view name, std::string_view contents) const {
  const std::string file_path = PathOf(name);
  std::ofstream file(file_path, std::ios::binary | std::ios::trunc);
  file.write(contents.data(), static_cast<std::streamsize>(contents.size()));
  if (!file) throw std::runtime_error("cannot write " + file_path);
  return file_path;
}

std::string ReadWholeFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream text;
  text << in.rdbuf();
  return text.str();
}

}  // namespace quorvale::test
