#include "settings/param_ini.h"

#include <filesystem>

#include <gtest/gtest.h>

#include "support/temp_dir.h"

namespace zakaz {
namespace {

namespace fs = std::filesystem;

TEST(ParamIniPath, LiesBesideTheExecutableWhateverTheWorkingDirectory) {
  testing::TempDir elsewhere;
  const fs::path old_cwd = fs::current_path();
  fs::current_path(elsewhere.Path());
  const std::string path = ParamIniPath();
  fs::current_path(old_cwd);
  EXPECT_EQ((fs::canonical("/proc/self/exe").parent_path() / "param.Ini").string(), path);
}

}  // namespace
}  // namespace zakaz
