// The program's own unpacking of the price list and the start of the
// pharmacy's script.
#include "exchange/price_unpacker.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <chrono>
#include <stdexcept>
#include <thread>

#include "exchange/archive_bytes.h"
#include "exchange/errors.h"
#include "exchange/exchange_fixture.h"
#include "support/poll.h"
#include "support/temp_dir.h"

namespace zakaz::exchange {
namespace {

namespace fs = std::filesystem;
using ::testing::ElementsAre;
using ::testing::StrEq;
using ::testing::ThrowsMessage;
using zakaz::testing::ArchiveMember;
using zakaz::testing::Names;
using zakaz::testing::ReadFile;
using zakaz::testing::TempDir;
using zakaz::testing::WriteFile;

std::tm Time(int year, int month, int day, int hour, int minute, int second) {
  std::tm t{};
  t.tm_year = year - 1900;
  t.tm_mon = month - 1;
  t.tm_mday = day;
  t.tm_hour = hour;
  t.tm_min = minute;
  t.tm_sec = second;
  return t;
}

const TPriceTableCheck kAnyTable = [](const fs::path&) {};

TEST(ReadPriceEntry, FindsTheTableInRarAndZipWhateverTheName) {
  const ArchiveMember member{"PRICE.DBF", std::string(3000, 'p'), Time(2026, 12, 9, 8, 30, 14)};
  const ArchiveMember readme{"readme.txt", "hello", Time(2026, 12, 9, 8, 0, 0)};
  const ArchiveMember nested{"base/price.dbf", "nested", Time(2026, 1, 2, 3, 4, 6)};
  struct Case {
    const char* name;
    std::string bytes;
    std::string content;
    time_t time;
  };
  const Case cases[] = {
      {"rar", testing::StoredRar({readme, member}), member.content, testing::MemberTime(member)},
      {"zip", testing::Zip({member, readme}), member.content, testing::MemberTime(member)},
      {"zip in a folder", testing::Zip({nested}), "nested", testing::MemberTime(nested)},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const TPriceEntry entry = ReadPriceEntry(c.bytes, 1 << 20);
    EXPECT_EQ(c.content, entry.content);
    ASSERT_TRUE(entry.modified.has_value());
    EXPECT_EQ(c.time, entry.modified->tv_sec);
  }
}

TEST(ReadPriceEntry, RefusesWhatIsNoSinglePriceTable) {
  const ArchiveMember price{"price.dbf", "p", {}};
  struct Case {
    const char* name;
    std::string bytes;
    const char* message;
  };
  const Case cases[] = {
      {"no table", testing::Zip({{"other.dbf", "o", {}}}), "в архиве нет файла price.dbf"},
      {"two tables", testing::Zip({price, {"x/PRICE.DBF", "q", {}}}),
       "в архиве несколько файлов price.dbf"},
      {"too large", testing::Zip({{"price.dbf", std::string(100, 'x'), {}}}),
       "файл price.dbf в архиве слишком велик"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_THAT([&] { ReadPriceEntry(c.bytes, 50); },
                ThrowsMessage<EUnpackError>(StrEq(c.message)));
  }
  std::string cut = testing::StoredRar({{"price.dbf", std::string(3000, 'p'), {}}});
  cut.resize(cut.size() - 1500);
  for (const std::string& bytes : {std::string("garbage, not an archive"), cut}) {
    EXPECT_THAT([&] { ReadPriceEntry(bytes, 1 << 20); },
                ThrowsMessage<EUnpackError>(::testing::StartsWith("архив повреждён (")));
  }
}

class UnpackTest : public ::testing::Test {
 protected:
  fs::path Archive(const std::string& bytes) {
    const fs::path path = dir_.Path() / "in" / "price.rar";
    fs::create_directories(path.parent_path());
    WriteFile(path, bytes);
    return path;
  }
  TempDir dir_;
};

TEST_F(UnpackTest, ReplacesThePriceListKeepingTheSuppliersDate) {
  // A ZIP named price.rar, over a price list spelt in lower case.
  const ArchiveMember member{"price.dbf", "new list", Time(2026, 12, 1, 7, 0, 0)};
  WriteFile(dir_.Path() / "price.dbf", "old list");
  EXPECT_EQ(std::nullopt, UnpackPriceList(Archive(testing::Zip({member})), dir_.Path(), kAnyTable));
  EXPECT_EQ("new list", ReadFile(dir_.Path() / "price.dbf"));
  EXPECT_THAT(Names(dir_.Path()), ElementsAre("in", "price.dbf"));
  struct stat info {};
  ASSERT_EQ(0, ::stat((dir_.Path() / "price.dbf").c_str(), &info));
  EXPECT_EQ(testing::MemberTime(member), info.st_mtime);
}

TEST_F(UnpackTest, ARefusedTableKeepsTheOldListAndLeavesNothingBehind) {
  WriteFile(dir_.Path() / "price.DBF", "old list");
  const auto refuse = [](const fs::path& table) {
    EXPECT_EQ("foreign table", ReadFile(table));
    throw std::runtime_error("Field 'KOL' not found");
  };
  EXPECT_EQ("таблица price.dbf из архива повреждена (Field 'KOL' not found)",
            UnpackPriceList(Archive(testing::StoredRar({{"price.dbf", "foreign table", {}}})),
                            dir_.Path(), refuse));
  EXPECT_EQ("в архиве нет файла price.dbf",
            UnpackPriceList(Archive(testing::Zip({{"x.dbf", "x", {}}})), dir_.Path(), kAnyTable));
  EXPECT_EQ("old list", ReadFile(dir_.Path() / "price.DBF"));
  EXPECT_THAT(Names(dir_.Path()), ElementsAre("in", "price.DBF"));
}

TEST_F(UnpackTest, ScriptIsFoundInAnyCaseAndStartedWithoutWaiting) {
  EXPECT_EQ(std::nullopt, FindUnpackScript(dir_.Path()));
  // A Windows batch file is no script here.
  WriteFile(dir_.Path() / "Unpuk.Bat", "echo never > bat.txt\n");
  EXPECT_EQ(std::nullopt, FindUnpackScript(dir_.Path()));
  EXPECT_TRUE(HasWindowsUnpackScript(dir_.Path()));
  const fs::path script = dir_.Path() / "UNPUK.SH";
  // The script proves where it ran and that the program did not wait for it.
  WriteFile(script, "sleep 0.3; pwd > ran.txt; echo \"$#\" >> ran.txt\n");
  ASSERT_EQ(script, FindUnpackScript(dir_.Path()));
  StartUnpackScript(script, dir_.Path());
  EXPECT_FALSE(fs::exists(dir_.Path() / "ran.txt"));
  const std::string expected = fs::canonical(dir_.Path()).string() + "\n0\n";
  testing::PollUntil([&] { return ReadFile(dir_.Path() / "ran.txt") == expected; });
  EXPECT_EQ(expected, ReadFile(dir_.Path() / "ran.txt"));
}

}  // namespace
}  // namespace zakaz::exchange
