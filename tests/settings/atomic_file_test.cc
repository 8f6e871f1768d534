#include "common/atomic_file.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <string>
#include <system_error>

#include "settings/enforced_permissions.h"
#include "settings/test_files.h"
#include "support/temp_dir.h"

namespace zakaz {
namespace {

namespace fs = std::filesystem;
using ::testing::ElementsAre;
using testing::EnforcedPermissions;
using testing::EntryNames;
using testing::ReadFile;
using testing::TempDir;
using testing::WriteFile;

TEST(WriteFileAtomically, CreatesAndReplacesKeepingPermissionBits) {
  TempDir dir;
  const std::string path = dir.File("order.dat");
  WriteFileAtomically(path, "first");
  EXPECT_EQ("first", ReadFile(path));

  fs::permissions(path, fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
  WriteFileAtomically(path, std::string("second\0with nul", 15));
  EXPECT_EQ(std::string("second\0with nul", 15), ReadFile(path));
  EXPECT_EQ(fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read,
            fs::status(path).permissions());
  EXPECT_THAT(EntryNames(dir.Path()), ElementsAre("order.dat"));
}

TEST(WriteFileAtomically, WritesThroughASymbolicLink) {
  TempDir dir;
  WriteFile(dir.Path() / "real.ini", "old");
  fs::create_symlink(dir.Path() / "real.ini", dir.Path() / "link.ini");
  WriteFileAtomically(dir.File("link.ini"), "new");
  EXPECT_TRUE(fs::is_symlink(dir.Path() / "link.ini"));
  EXPECT_EQ("new", ReadFile(dir.Path() / "real.ini"));
}

TEST(WriteFileAtomically, RefusedWritesLeaveTheOldFileAndNoDebris) {
  TempDir dir;
  const fs::path locked = dir.Path() / "locked";
  fs::create_directory(locked);
  WriteFile(locked / "a.ini", "kept");
  fs::permissions(locked, fs::perms::owner_read | fs::perms::owner_exec);
  WriteFile(dir.Path() / "ro.ini", "kept too");
  fs::permissions(dir.Path() / "ro.ini", fs::perms::owner_read);
  WriteFile(dir.Path() / "plain", "not a directory");

  EnforcedPermissions enforced;
  struct Case {
    const char* what;
    fs::path path;
  };
  const Case cases[] = {
      {"existing file in a read-only directory", locked / "a.ini"},
      {"new file in a read-only directory", locked / "b.ini"},
      {"read-only file in a writable directory", dir.Path() / "ro.ini"},
      {"parent is not a directory", dir.Path() / "plain" / "c.ini"},
      {"missing directory", dir.Path() / "absent" / "d.ini"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    EXPECT_THROW(WriteFileAtomically(c.path.string(), "replacement"), std::system_error);
  }
  EXPECT_EQ("kept", ReadFile(locked / "a.ini"));
  EXPECT_EQ("kept too", ReadFile(dir.Path() / "ro.ini"));
  EXPECT_THAT(EntryNames(locked), ElementsAre("a.ini"));
  EXPECT_THAT(EntryNames(dir.Path()), ElementsAre("locked", "plain", "ro.ini"));
}

// A file-size limit makes write() stop part-way, as a full disk does. The
// limit applies to the whole process, so the write runs in a child.
TEST(WriteFileAtomically, ShortWriteFailsAndKeepsTheOldFile) {
  TempDir dir;
  const std::string path = dir.File("big.dat");
  WriteFile(path, "old contents");
  const auto write_under_limit = [&path] {
    ::signal(SIGXFSZ, SIG_IGN);
    rlimit limit{};
    limit.rlim_cur = limit.rlim_max = 4096;
    ::setrlimit(RLIMIT_FSIZE, &limit);
    try {
      WriteFileAtomically(path, std::string(100000, 'x'));
    } catch (const std::system_error& e) {
      ::_exit(e.code().value() == EFBIG ? 0 : 2);
    }
    ::_exit(1);
  };
  EXPECT_EXIT(write_under_limit(), ::testing::ExitedWithCode(0), "");
  EXPECT_EQ("old contents", ReadFile(path));
  EXPECT_THAT(EntryNames(dir.Path()), ElementsAre("big.dat"));
}

// The temporary file a cut-off write leaves is told apart from the target
// and from other files, so a start may remove exactly those.
TEST(WriteFileAtomically, TellsTheTemporaryFileOfAnUnfinishedWrite) {
  struct Case {
    const char* name;
    bool unfinished;
  };
  const Case kCases[] = {
      {"1234D6B3.DBF.saving.tmp-Ab12Cd", true},
      {"1234D6B3.DBF.SAVING.tmp-Ab12Cd", true},
      {".saving.tmp-Ab12Cd", true},
      {"1234D6B3.DBF.saving", false},
      {"1234D6B3.DBF.saving.tmp-Ab1", false},
      {"1234D6B3.DBF.saving.tmp-Ab12Cd7", false},
      {"1234D6B3.DBF.tmp-Ab12Cd", false},
      {"1234D6B3.DBF.saving.tmpxAb12Cd", false},
      {"", false},
  };
  for (const Case& c : kCases)
    EXPECT_EQ(c.unfinished, IsUnfinishedAtomicWrite(c.name, ".saving")) << c.name;
}

}  // namespace
}  // namespace zakaz
