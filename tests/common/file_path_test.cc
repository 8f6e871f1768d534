// Path resolution: backslashes, letter case, the working directory.
#include "common/file_path.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "support/temp_dir.h"

namespace zakaz {
namespace {

namespace fs = std::filesystem;

class FilePathTest : public ::testing::Test {
 protected:
  void SetUp() override {
    old_dir_ = fs::current_path();
    fs::current_path(dir_.Path());
    root_ = fs::current_path().string();  // as the platform spells it
  }
  void TearDown() override { fs::current_path(old_dir_); }
  static void Touch(const std::string& path) { std::ofstream(path).put('x'); }

  testing::TempDir dir_;
  fs::path old_dir_;
  std::string root_;
};

TEST_F(FilePathTest, FullPathReadsBackslashesAndFoldsDots) {
  EXPECT_EQ(root_ + "/demand/A.DBF", FullPath("demand\\A.DBF"));
  EXPECT_EQ(root_ + "/in/x", FullPath(".\\in\\.\\sub\\..\\x"));
  EXPECT_EQ("/tmp/x", FullPath("/tmp//x"));
  EXPECT_EQ("/x", FullPath("/../x"));
  EXPECT_EQ(root_, FullPath(""));
  // Names that are already full paths come back as they are; those that
  // only look so are folded like any other.
  const struct {
    const char* name;
    const char* full;
  } cases[] = {
      {"/memory/price.dbf", "/memory/price.dbf"},
      {"/memory/.price", "/memory/.price"},
      {"/memory/price..dbf", "/memory/price..dbf"},
      {"/memory//price.dbf", "/memory/price.dbf"},
      {"/memory/./price.dbf", "/memory/price.dbf"},
      {"/x/../memory/price.dbf", "/memory/price.dbf"},
      {"\\memory\\price.dbf", "/memory/price.dbf"},
      {"/memory\\price.dbf", "/memory/price.dbf"},
      {"/memory/price.dbf/", "/memory/price.dbf"},
      {"/", "/"},
      {"//", "/"},
  };
  for (const auto& c : cases) EXPECT_EQ(c.full, FullPath(c.name)) << c.name;
}

TEST_F(FilePathTest, EveryExistingComponentIsFoundWhateverItsCase) {
  fs::create_directories("Archive/Sub");
  Touch("Archive/Sub/price.DBF");
  for (const char* name : {"archive\\sub\\PRICE.dbf", "ARCHIVE/SUB/price.dbf",
                           "Archive\\Sub\\price.DBF", "./archive/./SUB/../Sub/Price.Dbf"}) {
    SCOPED_TRACE(name);
    EXPECT_EQ(root_ + "/Archive/Sub/price.DBF", ResolvePath(name));
  }
  // Missing parts keep the spelling they were given, after the found ones.
  EXPECT_EQ(root_ + "/Archive/Sub/new.DBF", ResolvePath("archive\\sub\\new.DBF"));
  EXPECT_EQ(root_ + "/Archive/none/x.dbf", ResolvePath("ARCHIVE/none/x.dbf"));
}

TEST_F(FilePathTest, TheExactSpellingWinsOverOtherCases) {
  Touch("a.dbf");
  Touch("A.DBF");
  EXPECT_EQ(root_ + "/a.dbf", ResolvePath("a.dbf"));
  EXPECT_EQ(root_ + "/A.DBF", ResolvePath("A.DBF"));
  // Neither exact: the first in byte order, every time.
  EXPECT_EQ(root_ + "/A.DBF", ResolvePath("a.Dbf"));
}

TEST(FileNames, ExtensionsAndBaseNames) {
  struct Case {
    const char* name;
    bool has_extension;
    const char* with_default;
    const char* base;
  };
  constexpr Case kCases[] = {
      {"price", false, "price.DBF", "price"},
      {"price.dbf", true, "price.dbf", "price"},
      {"in\\X", false, "in\\X.DBF", "X"},
      {"dir.d\\file", false, "dir.d\\file.DBF", "file"},
      {"dir.d/file", false, "dir.d/file.DBF", "file"},
      {"a.b.c", true, "a.b.c", "a.b"},
      {"name.", false, "name..DBF", "name"},
      {"/abs/path/t.x", true, "/abs/path/t.x", "t"},
  };
  for (const Case& c : kCases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(c.has_extension, HasExtension(c.name));
    EXPECT_EQ(c.with_default, WithDefaultExtension(c.name, ".DBF"));
    EXPECT_EQ(c.base, BaseName(c.name));
  }
}

}  // namespace
}  // namespace zakaz
