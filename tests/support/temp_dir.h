// A fresh directory under the system's temporary directory, removed with
// everything in it when the object goes out of scope. Tests work in one so they
// never see each other's files.
#pragma once

#include <filesystem>
#include <string>

namespace zakaz::testing {

class TempDir {
 public:
  TempDir();
  ~TempDir();
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;

  const std::filesystem::path& Path() const { return path_; }
  // Path of `name` inside the directory, as a string.
  std::string File(const std::string& name) const { return (path_ / name).string(); }

 private:
  std::filesystem::path path_;
};

}  // namespace zakaz::testing
