#include "settings/param_ini.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "settings/enforced_permissions.h"
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
  // The build directory is writable, as a copied installation's is.
  EXPECT_EQ((fs::canonical("/proc/self/exe").parent_path() / "param.Ini").string(), path);
}

TEST(ParamIniPathFor, WritableExecutableDirectoryKeepsTheFileBesideTheProgram) {
  testing::TempDir exe;
  const std::string dir = exe.Path().string() + "/";
  EXPECT_EQ(dir + "param.Ini", ParamIniPathFor(dir, "/cfg", "/home/apteka"));
}

// An installed program's directory (/usr/bin) is not the user's to write.
TEST(ParamIniPathFor, ReadOnlyExecutableDirectorySendsTheFileToTheUsersConfiguration) {
  testing::TempDir exe;
  fs::permissions(exe.Path(), fs::perms::owner_read | fs::perms::owner_exec,
                  fs::perm_options::replace);
  const std::string dir = exe.Path().string() + "/";
  testing::EnforcedPermissions as_a_user;
  EXPECT_FALSE(IsWritableDirectory(dir));
  struct Case {
    const char* xdg;
    const char* home;
    const char* expected;
  };
  for (const Case& c : {Case{"/cfg", "/home/apteka", "/cfg/zakaz/param.Ini"},
                        Case{nullptr, "/home/apteka", "/home/apteka/.config/zakaz/param.Ini"},
                        Case{"", "/home/apteka", "/home/apteka/.config/zakaz/param.Ini"},
                        // A relative XDG_CONFIG_HOME is invalid and ignored.
                        Case{"cfg", "/home/apteka", "/home/apteka/.config/zakaz/param.Ini"}}) {
    EXPECT_EQ(c.expected, ParamIniPathFor(dir, c.xdg, c.home)) << (c.xdg ? c.xdg : "null");
  }
  EXPECT_EQ("/home/apteka/.config/zakaz/param.Ini",
            ParamIniPathFor("/no/such/dir/", nullptr, "/home/apteka"));
}

TEST(IsWritableDirectory, OnlyAnExistingDirectory) {
  testing::TempDir dir;
  std::ofstream(dir.Path() / "file") << "x";
  EXPECT_TRUE(IsWritableDirectory(dir.Path().string()));
  EXPECT_FALSE(IsWritableDirectory((dir.Path() / "file").string()));
  EXPECT_FALSE(IsWritableDirectory((dir.Path() / "none").string()));
}

}  // namespace
}  // namespace zakaz
