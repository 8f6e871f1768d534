#include "settings/ini_file.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <string>

#include "settings/enforced_permissions.h"
#include "settings/errors.h"
#include "settings/test_files.h"
#include "support/temp_dir.h"

namespace zakaz {
namespace {

namespace fs = std::filesystem;
using ::testing::ElementsAre;
using testing::EnforcedPermissions;
using testing::EntryNames;
using testing::ReadFile;
using ::testing::StrEq;
using testing::TempDir;
using ::testing::ThrowsMessage;
using testing::WriteFile;

TEST(IniFile, MissingPiecesGiveTheDefault) {
  TempDir dir;
  const IniFile missing(dir.File("param.Ini"));
  EXPECT_EQ("design", missing.ReadString("Main", "Clientcode", "design"));

  WriteFile(dir.Path() / "param.Ini", "[Other]\r\nClientcode=1\r\n[Main]\r\nClient=c\r\n");
  const IniFile file(dir.File("param.Ini"));
  EXPECT_EQ("d1", file.ReadString("Absent", "Client", "d1"));
  EXPECT_EQ("d2", file.ReadString("Main", "Clientcode", "d2"));
  EXPECT_EQ("c", file.ReadString("MAIN", "CLIENT", "d3"));

  // A directory where the file should be reads like a missing file.
  fs::create_directory(dir.Path() / "sub.Ini");
  EXPECT_EQ("d4", IniFile(dir.File("sub.Ini")).ReadString("Main", "Client", "d4"));
}

TEST(IniFile, KeepsValuesInWindows1251) {
  TempDir dir;
  IniFile file(dir.File("param.Ini"));
  file.WriteString("Main", "Client", "Аптека №1");
  EXPECT_EQ("[Main]\r\nClient=\xC0\xEF\xF2\xE5\xEA\xE0 \xB9\x31\r\n",
            ReadFile(dir.Path() / "param.Ini"));
  EXPECT_EQ("Аптека №1", file.ReadString("Main", "Client", ""));

  // A file from an existing installation, with Cyrillic names in another case.
  WriteFile(dir.Path() / "other.ini",
            "[\xCD\xC0\xD1\xD2\xD0\xCE\xC9\xCA\xC8]\r\n\xC8\xCC\xDF=\xCF\xE5\xF2\xF0\xee\xe2\r\n");
  EXPECT_EQ("Петров", IniFile(dir.File("other.ini")).ReadString("настройки", "имя", ""));
}

TEST(IniFile, WriteLeavesEverythingElseAsItWas) {
  TempDir dir;
  const std::string before =
      "; settings of the ordering program\r\n"
      "[Printer]\r\n"
      "Font=Arial\r\n"
      "\r\n"
      "[MAIN]\r\n"
      "ClientCode = 0042\r\n"
      "Comment=urgent\r\n"
      "\r\n"
      "[Last]\r\n"
      "x=\xC0";
  WriteFile(dir.Path() / "param.Ini", before);
  IniFile file(dir.File("param.Ini"));
  file.WriteString("Main", "Clientcode", "0043");
  file.WriteString("Main", "Passiv", "1");
  EXPECT_EQ(
      "; settings of the ordering program\r\n"
      "[Printer]\r\n"
      "Font=Arial\r\n"
      "\r\n"
      "[MAIN]\r\n"
      "ClientCode = 0043\r\n"
      "Comment=urgent\r\n"
      "Passiv=1\r\n"
      "\r\n"
      "[Last]\r\n"
      "x=\xC0",
      ReadFile(dir.Path() / "param.Ini"));
  EXPECT_THAT(EntryNames(dir.Path()), ElementsAre("param.Ini"));
}

TEST(IniFile, RelativePathIsMadeFullAgainstTheWorkingDirectory) {
  TempDir dir;
  const fs::path old_cwd = fs::current_path();
  fs::current_path(dir.Path());
  const IniFile file("param.Ini");
  fs::current_path(old_cwd);
  EXPECT_EQ(dir.File("param.Ini"), file.FileName());
}

TEST(IniFile, RefusedWriteFailsWithTheFullPathAndChangesNothing) {
  TempDir dir;
  const fs::path locked = dir.Path() / "locked";
  fs::create_directory(locked);
  WriteFile(locked / "param.Ini", "[Main]\r\nClientcode=1\r\n");
  fs::permissions(locked, fs::perms::owner_read | fs::perms::owner_exec);
  const fs::path empty_locked = dir.Path() / "empty";
  fs::create_directory(empty_locked);
  fs::permissions(empty_locked, fs::perms::owner_read | fs::perms::owner_exec);
  WriteFile(dir.Path() / "secret.Ini", "[Main]\r\nClientcode=1\r\n");
  fs::permissions(dir.Path() / "secret.Ini", fs::perms::none);

  EnforcedPermissions enforced;
  const fs::path cases[] = {locked / "param.Ini", empty_locked / "param.Ini",
                            dir.Path() / "secret.Ini"};
  for (const auto& path : cases) {
    SCOPED_TRACE(path);
    IniFile file(path.string());
    EXPECT_THAT([&] { file.WriteString("Main", "Clientcode", "2"); },
                ThrowsMessage<ESettingsError>(StrEq("Unable to write to " + path.string())));
  }
  EXPECT_EQ("[Main]\r\nClientcode=1\r\n", ReadFile(locked / "param.Ini"));
  EXPECT_THAT(EntryNames(locked), ElementsAre("param.Ini"));
  EXPECT_THAT(EntryNames(empty_locked), ElementsAre());
  // An unreadable file reads as the defaults and is not overwritten.
  EXPECT_EQ("d", IniFile(dir.File("secret.Ini")).ReadString("Main", "Clientcode", "d"));
}

}  // namespace
}  // namespace zakaz
