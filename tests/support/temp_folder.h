// A fresh folder under the system's temporary folder for tests that need real files; removed
// with everything in it when the object goes away.
#pragma once

#include <string>
#include <string_view>

namespace quorvale::test {

class TempFolder {
 public:
  TempFolder();
  ~TempFolder();
  TempFolder(const TempFolder&) = delete;
  TempFolder& operator=(const TempFolder&) = delete;

  // The folder's absolute path, without a trailing slash.
  const std::string& path() const { return path_; }
  // path() + "/" + name.
  std::string PathOf(std::string_view name) const;
  // Creates or replaces the file `name` with exactly `contents`; returns its path.
  std::string WriteFile(std::string_view name, std::string_view contents) const;

 private:
  std::string path_;
};

// The whole contents of the file at `path`, or "" when it cannot be read.
std::string ReadWholeFile(const std::string& path);

}  // namespace quorvale::test
