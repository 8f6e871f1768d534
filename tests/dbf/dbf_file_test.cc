// The header-and-records layer: opening and checking tables, reading records
// by number, in-place writes, appends and header rewrites, exclusive and
// read-only opens, damaged and shrinking files.
#include "dbf/table/dbf_file.h"

#include <fcntl.h>
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstring>
#include <filesystem>

#include "dbf/base/errors.h"
#include "dbf/table/dbf_columns.h"
#include "sample_price_list.h"
#include "support/run_command.h"
#include "support/temp_dir.h"
#include "table_bytes.h"

namespace zakaz::dbf {
namespace {

using testing::Col;
using testing::Left;
using testing::ReadFile;
using testing::Right;
using ::testing::StrEq;
using testing::TableBytes;
using ::testing::ThrowsMessage;
using testing::U16At;
using testing::U32At;
using testing::WriteFile;

const std::vector<Col> kNameQuant = {{"NAME", 'C', 10}, {"QUANT", 'N', 5}};

std::string Row(const std::string& name, int quant, char flag = ' ') {
  return std::string(1, flag) + Left(name, 10) + Right(std::to_string(quant), 5);
}

std::vector<std::string> Rows(int count) {
  std::vector<std::string> rows;
  for (int i = 1; i <= count; ++i) rows.push_back(Row("R" + std::to_string(i), i));
  return rows;
}

std::string RecordText(const TDbfFile& table) {
  return std::string(reinterpret_cast<const char*>(table.RecordBuffer()),
                     static_cast<size_t>(table.RecordLength()));
}

LocalDateTime FixedTime() {
  LocalDateTime t;
  t.year = 2024;
  t.month = 3;
  t.day = 17;
  t.hour = 14;
  t.minute = 5;
  t.second = 9;
  t.millisecond = 250;
  return t;
}

class DbfFileTest : public ::testing::Test {
 protected:
  std::string Make(const std::string& name, const std::string& bytes) {
    const std::string path = dir_.File(name);
    WriteFile(path, bytes);
    return path;
  }
  zakaz::testing::TempDir dir_;
};

TEST_F(DbfFileTest, CreatedTableHasTheDocumentedLayoutAndGrowsByOneRecordPerAppend) {
  const std::string path = dir_.File("order.DBF");
  CreateEmptyTable(path, {{"NAME", 'C', 100, 0}, {"QUANT", 'N', 5, 0}});
  std::string bytes = ReadFile(path);
  ASSERT_EQ(98u, bytes.size());
  EXPECT_EQ(97, U16At(bytes, 8));
  EXPECT_EQ(106, U16At(bytes, 10));
  EXPECT_EQ(0u, U32At(bytes, 4));
  EXPECT_EQ("\x0D\x1A", bytes.substr(96));

  {
    TDbfColumns table(path, false, true);
    table.BlankRecord();
    table.RecordBuffer()[0] = '*';  // an appended record is never deleted
    table.PutText(1, "X");
    table.AppendRecord();
    EXPECT_EQ(1, table.RecordCount());
    EXPECT_EQ(1, table.CurrentRecord());
  }
  bytes = ReadFile(path);
  ASSERT_EQ(204u, bytes.size());
  EXPECT_EQ('\x1A', bytes.back());
  EXPECT_EQ(1u, U32At(bytes, 4));
  EXPECT_EQ(' ', bytes[97]);
  EXPECT_EQ('X', bytes[98]);
  EXPECT_EQ("    0", bytes.substr(97 + 101, 5));
}

TEST_F(DbfFileTest, CountComesFromTheFileSizeNotTheHeader) {
  // The header claims 5 records; 3 whole ones and a trailing marker are there.
  const std::string path = Make("t.dbf", TableBytes(kNameQuant, Rows(3), 0x03, 5));
  {
    TDbfFile table(path, false, true);
    EXPECT_EQ(3, table.RecordCount());
    table.GotoRecord(2);
    table.WriteRecord(2);
  }
  EXPECT_EQ(3u, U32At(ReadFile(path), 4));
  {
    TDbfFile table(path, false, true);
    table.GotoRecord(1);
    table.AppendRecord();
  }
  EXPECT_EQ(4u, U32At(ReadFile(path), 4));

  // A partial record at the end is not counted either.
  const std::string partial =
      Make("p.dbf", TableBytes(kNameQuant, Rows(2), 0x03, 2, false) + "  ab");
  TDbfFile table(partial, false, false);
  EXPECT_EQ(2, table.RecordCount());
}

TEST_F(DbfFileTest, HeaderRewriteStoresDateCountStampAndClearsHighFlagBits) {
  std::string bytes = TableBytes(kNameQuant, Rows(2));
  bytes[12] = 7;                        // reserved: kept
  bytes[20] = 9;                        // writer identity: replaced
  bytes[28] = static_cast<char>(0xFF);  // flags: bits 0-2 kept, 3-7 cleared
  bytes[29] = 0x65;                     // language mark: kept
  const std::string path = Make("t.dbf", bytes);
  {
    TDbfFile table(path, false, true);
    table.SetClock(FixedTime);
    table.SetWriterIdentity(0);
    table.GotoRecord(1);
    table.WriteRecord(1);
    EXPECT_EQ(59057402u, table.ChangeStamp());
  }
  bytes = ReadFile(path);
  EXPECT_EQ(24, bytes[1]);
  EXPECT_EQ(3, bytes[2]);
  EXPECT_EQ(17, bytes[3]);
  EXPECT_EQ(2u, U32At(bytes, 4));
  EXPECT_EQ(7, bytes[12]);
  EXPECT_EQ("\xFA\x24\x85\x03", bytes.substr(16, 4));
  EXPECT_EQ(0u, U32At(bytes, 20));
  EXPECT_EQ(0x07, bytes[28]);
  EXPECT_EQ(0x65, bytes[29]);
}

TEST_F(DbfFileTest, WriteRecordRewritesInPlaceAndAppendsOutsideTheTable) {
  const std::string original = TableBytes(kNameQuant, Rows(10), 0x03, 10, false);
  const std::string path = Make("t.dbf", original);
  const int header_length = 32 * 2 + 33;
  const int record_length = 16;
  {
    TDbfColumns table(path, false, true);
    table.GotoRecord(5);
    table.PutText(1, "CHANGED");
    table.WriteRecord(3);
    EXPECT_EQ(3, table.CurrentRecord());
  }
  std::string bytes = ReadFile(path);
  ASSERT_EQ(original.size(), bytes.size());  // no end marker on an in-place write
  EXPECT_EQ(Row("CHANGED", 5), bytes.substr(header_length + 2 * record_length, record_length));
  EXPECT_EQ(10u, U32At(bytes, 4));

  for (int n : {0, -7, 11 + 5}) {
    SCOPED_TRACE(n);
    const int before = static_cast<int>(ReadFile(path).size());
    TDbfFile table(path, false, true);
    const int count = table.RecordCount();
    table.GotoRecord(1);
    table.WriteRecord(n);
    EXPECT_EQ(count + 1, table.RecordCount());
    EXPECT_EQ(count + 1, table.CurrentRecord());
    bytes = ReadFile(path);
    // The old end marker (if any) is overwritten by the record.
    EXPECT_EQ(header_length + (count + 1) * record_length + 1, static_cast<int>(bytes.size()));
    EXPECT_GE(static_cast<int>(bytes.size()), before);
    EXPECT_EQ('\x1A', bytes.back());
    EXPECT_EQ(static_cast<uint32_t>(count + 1), U32At(bytes, 4));
  }
}

struct GotoCase {
  const char* name;
  int start;     // record read before the step (0: none)
  int position;  // GotoRecord argument
  int current;   // CurrentRecord() after
  bool eof;
  bool bof;
};

constexpr GotoCase kGotoCases[] = {
    {"number", 0, 4, 4, false, false},
    {"next", 4, kGotoNext, 5, false, false},
    {"prior", 4, kGotoPrior, 3, false, false},
    {"first", 7, kGotoFirst, 1, false, false},
    {"last", 2, kGotoLast, 10, false, false},
    {"current again", 6, kGotoCurrent, 6, false, false},
    {"zero does nothing", 6, 0, 6, false, false},
    {"prior from first sets BOF", 1, kGotoPrior, 1, false, true},
    {"next from last sets EOF", 10, kGotoNext, 10, true, false},
    {"one past the end sets EOF", 3, 11, 3, true, false},
};

TEST_F(DbfFileTest, GotoRecordFollowsEveryPosition) {
  const std::string path = Make("t.dbf", TableBytes(kNameQuant, Rows(10)));
  TDbfColumns table(path, false, false);
  for (const GotoCase& c : kGotoCases) {
    SCOPED_TRACE(c.name);
    if (c.start > 0) table.GotoRecord(c.start);
    table.GotoRecord(c.position);
    EXPECT_EQ(c.current, table.CurrentRecord());
    EXPECT_EQ(c.eof, table.AtEOF());
    EXPECT_EQ(c.bof, table.AtBOF());
    // The buffer always holds the current record.
    EXPECT_EQ(c.current, static_cast<int>(table.GetNumber(2)));
  }
}

TEST_F(DbfFileTest, GotoRecordRejectsNumbersOutsideTheTable) {
  const std::string path = Make("t.dbf", TableBytes(kNameQuant, Rows(10)));
  TDbfFile table(path, false, false);
  table.GotoRecord(4);
  EXPECT_THAT([&] { table.GotoRecord(12); },
              ThrowsMessage<ETableError>(StrEq("Record number 12 is not in table " + path)));
  EXPECT_THAT([&] { table.GotoRecord(-6); },
              ThrowsMessage<ETableError>(StrEq("Record number -6 is not in table " + path)));
  EXPECT_EQ(4, table.CurrentRecord());
  EXPECT_EQ(Row("R4", 4), RecordText(table));

  const std::string empty = Make("e.dbf", TableBytes(kNameQuant, {}));
  TDbfFile none(empty, false, false);
  none.GotoRecord(kGotoFirst);
  EXPECT_TRUE(none.AtEOF());
  EXPECT_TRUE(none.AtBOF());
  EXPECT_EQ(0, none.CurrentRecord());
}

struct BadHeaderCase {
  const char* name;
  std::string bytes;
  const char* message;  // %s is the path
};

std::vector<BadHeaderCase> BadHeaders() {
  const std::string good = TableBytes(kNameQuant, Rows(2));
  auto with = [&](size_t offset, char value) {
    std::string b = good;
    b[offset] = value;
    return b;
  };
  const char* kRead = "Error on Read of file %s";
  const char* kInvalid = "Table Header for %s is invalid";
  return {
      {"twenty bytes", good.substr(0, 20), kRead},
      {"empty file", "", kRead},
      {"version 0x02", with(0, 0x02), kInvalid},
      {"version 0x31", with(0, 0x31), kInvalid},
      {"header length below 33", with(8, 20), kInvalid},
      {"record length zero", with(10, 0), kInvalid},
      {"record length below the columns' widths", with(10, 15), kInvalid},
      {"C column wider than the record", with(32 + 17, 1), kInvalid},
      {"descriptors cut short", good.substr(0, 60), kRead},
      {"0x30 without its 263-byte area", with(0, 0x30), kInvalid},
      {"0x30 integer narrower than four bytes", TableBytes({{"I", 'I', 2}}, {" ab"}, 0x30),
       kInvalid},
      // Memo and picture columns of 0x30 are 4 binary bytes: a narrower one
      // at the end of the record would be written past it.
      {"0x30 memo narrower than four bytes",
       TableBytes({{"NAME", 'C', 3}, {"M", 'M', 1}}, {" abcd"}, 0x30), kInvalid},
      {"0x30 picture narrower than four bytes", TableBytes({{"G", 'G', 3}}, {" abc"}, 0x30),
       kInvalid},
  };
}

TEST_F(DbfFileTest, DamagedHeadersAreRejectedWithAClearMessage) {
  for (const BadHeaderCase& c : BadHeaders()) {
    SCOPED_TRACE(c.name);
    const std::string path = Make("bad.dbf", c.bytes);
    const std::string expected =
        std::string(c.message).replace(std::string(c.message).find("%s"), 2, path);
    EXPECT_THAT([&] { TDbfFile table(path, false, false); },
                ThrowsMessage<ETableError>(StrEq(expected)));
  }
  // A failed open leaves no lock behind: the file opens exclusively again.
  const std::string path = Make("bad.dbf", "short");
  EXPECT_THROW(TDbfFile(path, false, true), ETableError);
  TDiskFile again(path);
  EXPECT_NO_THROW(again.Open(false, true));
}

TEST_F(DbfFileTest, EncipheredAndMissingTablesFail) {
  std::string bytes = TableBytes(kNameQuant, Rows(1));
  bytes[15] = 1;
  const std::string path = Make("secret.dbf", bytes);
  EXPECT_THAT([&] { TDbfFile table(path, false, false); },
              ThrowsMessage<ETableEncryption>(StrEq("No Password for encrypted file " + path)));
  const std::string missing = dir_.File("none.DBF");
  EXPECT_THAT([&] { TDbfFile table(dir_.File("none"), false, false); },
              ThrowsMessage<ETableError>(StrEq("File " + missing + " could not be found")));
}

TEST_F(DbfFileTest, ExtendedVersionSkipsItsExtraAreaAndDecodesNothingFromIt) {
  std::vector<Col> columns = {{"NAME", 'C', 4}, {"N", 'I', 4}};
  std::string row = " abcd";
  row += std::string("\x2A\x00\x00\x00", 4);
  const std::string path = Make("x.dbf", TableBytes(columns, {row, row}, 0x30));
  TDbfColumns table(path, false, false);
  EXPECT_EQ(32 * 2 + 296, table.HeaderLength());
  EXPECT_EQ(2, table.RecordCount());
  table.GotoRecord(2);
  EXPECT_EQ("abcd", table.GetString(1));
  EXPECT_EQ(42, table.GetNumber(2));
}

TEST_F(DbfFileTest, NamesAreFoundWhateverTheirCaseAndWithBackslashes) {
  std::filesystem::create_directory(dir_.Path() / "in");
  Make("in/x.dbf", TableBytes(kNameQuant, Rows(1)));
  Make("price.DBF", TableBytes(kNameQuant, Rows(2)));
  const auto old_dir = std::filesystem::current_path();
  std::filesystem::current_path(dir_.Path());
  struct Restore {
    std::filesystem::path dir;
    ~Restore() { std::filesystem::current_path(dir); }
  } restore{old_dir};

  TDbfFile x("in\\X", false, false);
  EXPECT_EQ((dir_.Path() / "in" / "x.dbf").string(), x.Path());
  EXPECT_EQ("X", x.Alias());
  for (const char* name : {"price.DBF", "price.dbf", "PRICE.DBF", "Price"}) {
    SCOPED_TRACE(name);
    TDbfFile table(name, false, false);
    EXPECT_EQ((dir_.Path() / "price.DBF").string(), table.Path());
    EXPECT_EQ(2, table.RecordCount());
    EXPECT_EQ("PRICE", table.Alias());
  }
}

TEST_F(DbfFileTest, AnOpenTableCannotBeOpenedAgainHereOrElsewhere) {
  const std::string path = Make("price.DBF", TableBytes(kNameQuant, Rows(2)));
  const std::string denied = "Access denied to file " + path;
  {
    TDbfFile first(path, false, true);
    for (bool read_write : {false, true}) {
      SCOPED_TRACE(read_write);
      EXPECT_THAT([&] { TDbfFile second(dir_.File("PRICE.dbf"), false, read_write); },
                  ThrowsMessage<ETableError>(StrEq(denied)));
    }
    // Another program: the inspector tool opening the same file.
    const zakaz::testing::CommandResult tool =
        zakaz::testing::RunCommand(std::string(DBFTOOL_PATH) + " info " + path + " 2>&1");
    EXPECT_EQ(denied + "\n", tool.out.substr(0, tool.out.find('\n') + 1));
    EXPECT_NE(0, tool.status);
  }
  // Closed: open again.
  TDbfFile again(path, false, true);
  EXPECT_EQ(2, again.RecordCount());

  // Creating a table over the open one fails and leaves it as it is.
  const std::string before = ReadFile(path);
  EXPECT_THAT(
      [&] {
        CreateEmptyTable(path, {{"X", 'C', 1, 0}});
      },
      ThrowsMessage<ETableError>(StrEq("Could not create file " + path)));
  EXPECT_EQ(before, ReadFile(path));
}

TEST_F(DbfFileTest, SharedOpensCoexistAndSeeEachOthersAppends) {
  // Not used by the system, which opens every table exclusively; the mode
  // still keeps its word.
  const std::string path = Make("t.dbf", TableBytes(kNameQuant, Rows(2)));
  TDbfFile first(path, true, true);
  TDbfFile second(path, true, true);
  EXPECT_THAT([&] { TDbfFile exclusive(path, false, false); },
              ThrowsMessage<ETableError>(StrEq("Access denied to file " + path)));
  second.GotoRecord(1);
  second.AppendRecord();
  // The first sees the new record when it goes past its known end.
  first.GotoRecord(3);
  EXPECT_EQ(3, first.RecordCount());
  EXPECT_TRUE(first.ChangedByOthers());
  // Byte-range locks: one holder at a time.
  EXPECT_TRUE(first.LockRecord(1));
  EXPECT_FALSE(second.LockRecord(1));
  EXPECT_FALSE(first.LockRecord(2));  // another region while one is held
  first.Unlock();
  EXPECT_TRUE(second.LockRecord(1));
  second.Unlock();
}

TEST_F(DbfFileTest, ReadOnlyOpenNeverWritesAByte) {
  const std::string original = TableBytes(kNameQuant, Rows(3));
  const std::string path = Make("t.dbf", original);
  // An old modification time, so a touch would show.
  const timespec times[2] = {{1000000000, 0}, {1000000000, 0}};
  ASSERT_EQ(0, ::utimensat(AT_FDCWD, path.c_str(), times, 0));
  {
    TDbfColumns table(path, false, false);
    table.GotoRecord(2);
    table.PutText(1, "NEW");
    EXPECT_THAT([&] { table.WriteRecord(2); },
                ThrowsMessage<ETableError>(StrEq("Error writing to " + path)));
    EXPECT_THAT([&] { table.AppendRecord(); },
                ThrowsMessage<ETableError>(StrEq("Error writing to " + path)));
    EXPECT_EQ(3, table.RecordCount());
  }
  EXPECT_EQ(original, ReadFile(path));
  struct stat info;
  ASSERT_EQ(0, ::stat(path.c_str(), &info));
  EXPECT_EQ(1000000000, info.st_mtim.tv_sec);
}

TEST_F(DbfFileTest, ATableCutShortBetweenReadsFailsInsteadOfReturningGarbage) {
  const std::string path = Make("t.dbf", TableBytes(kNameQuant, Rows(5)));
  TDbfFile table(path, false, false);
  table.GotoRecord(2);
  ASSERT_EQ(0, ::truncate(path.c_str(), 32 * 2 + 33 + 16 * 3 + 4));
  table.GotoRecord(3);
  EXPECT_THAT([&] { table.GotoRecord(4); },
              ThrowsMessage<ETableError>(StrEq("Error on Read of file " + path)));
  EXPECT_EQ(3, table.CurrentRecord());
  EXPECT_EQ(Row("R3", 3), RecordText(table));
}

TEST_F(DbfFileTest, AFailedWriteIsReportedAndNotCounted) {
  // A device that is always full.
  TDiskFile full("/dev/full");
  full.Open(true, true);
  EXPECT_THAT([&] { full.WriteAt(0, "abc", 3); },
              ThrowsMessage<ETableError>(StrEq("Error writing to /dev/full")));

  // A file that may not grow past a limit: the platform writes part of the
  // record, then refuses the rest. Run in a child so the limit stays there.
  const std::string path = Make("t.dbf", TableBytes(kNameQuant, Rows(2), 0x03, 2, false));
  const off_t size = static_cast<off_t>(ReadFile(path).size());
  int pipe_fds[2];
  ASSERT_EQ(0, ::pipe(pipe_fds));
  const pid_t child = ::fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    ::close(pipe_fds[0]);
    ::signal(SIGXFSZ, SIG_IGN);
    rlimit limit{static_cast<rlim_t>(size + 5), static_cast<rlim_t>(size + 5)};
    ::setrlimit(RLIMIT_FSIZE, &limit);
    std::string message = "no failure";
    int count = -1;
    try {
      TDbfFile table(path, false, true);
      table.GotoRecord(1);
      try {
        table.AppendRecord();
      } catch (const ETableError& e) {
        message = e.what();
      }
      count = table.RecordCount();
    } catch (const ETableError& e) {
      message = std::string("open: ") + e.what();
    }
    message += "|" + std::to_string(count);
    (void)!::write(pipe_fds[1], message.data(), message.size());
    ::_exit(0);
  }
  ::close(pipe_fds[1]);
  std::string report;
  char chunk[256];
  ssize_t n;
  while ((n = ::read(pipe_fds[0], chunk, sizeof chunk)) > 0)
    report.append(chunk, static_cast<size_t>(n));
  ::close(pipe_fds[0]);
  int status = 0;
  ::waitpid(child, &status, 0);
  EXPECT_EQ("Error writing to " + path + "|2", report);
  // The stored count still says 2: the header was not rewritten with a record
  // that is not there.
  const std::string bytes = ReadFile(path);
  EXPECT_EQ(2u, U32At(bytes, 4));
  EXPECT_EQ(size + 5, static_cast<off_t>(bytes.size()));
  TDbfFile table(path, false, false);
  EXPECT_EQ(2, table.RecordCount());
}

TEST_F(DbfFileTest, LentBufferReceivesReadsAndPutsUntilRestored) {
  const std::string path = Make("t.dbf", TableBytes(kNameQuant, Rows(3)));
  TDbfColumns table(path, false, true);
  // The dataset keeps its own data right after the record image.
  const size_t length = static_cast<size_t>(table.RecordLength());
  std::vector<uint8_t> row(length + 20, 0x55);
  table.LendRecordBuffer(row.data());
  EXPECT_TRUE(table.RecordBufferLent());
  table.GotoRecord(2);
  EXPECT_EQ(Row("R2", 2), std::string(row.begin(), row.begin() + table.RecordLength()));
  table.PutNumber(2, 7);
  table.WriteRecord(2);
  table.PutNumber(2, 8);
  table.AppendRecord();
  EXPECT_EQ(std::vector<uint8_t>(20, 0x55), std::vector<uint8_t>(row.begin() + length, row.end()));
  table.RestoreRecordBuffer();
  EXPECT_FALSE(table.RecordBufferLent());
  table.GotoRecord(2);
  EXPECT_EQ(7, table.GetNumber(2));
  table.GotoRecord(4);
  EXPECT_EQ(8, table.GetNumber(2));
  EXPECT_EQ('\x1A', ReadFile(path).back());
}

// Records the events a derived layer sees, and counts the transfers, as the
// cursor layer does with its read-ahead block.
class RecordingTable : public TDbfColumns {
 public:
  using TDbfColumns::TDbfColumns;
  void Notify(TNotifyEvent event, int value) override {
    events.push_back(std::to_string(static_cast<int>(event)) + ":" + std::to_string(value));
    TDbfColumns::Notify(event, value);
  }
  size_t ReadAt(int64_t offset, void* buffer, size_t count) override {
    ++reads;
    return TDbfColumns::ReadAt(offset, buffer, count);
  }
  void WriteAt(int64_t offset, const void* buffer, size_t count) override {
    writes.push_back(std::to_string(offset) + "+" + std::to_string(count));
    TDbfColumns::WriteAt(offset, buffer, count);
  }
  std::vector<std::string> events;
  std::vector<std::string> writes;
  int reads = 0;
};

TEST_F(DbfFileTest, DerivedLayersSeeEveryTransferAndEvent) {
  const std::string path = Make("t.dbf", TableBytes(kNameQuant, Rows(3)));
  RecordingTable table(path, false, true);
  table.GotoRecord(2);
  EXPECT_EQ(1, table.reads);  // one positioned read per record
  EXPECT_TRUE(table.RecordChanged() == false);
  table.PutNumber(2, 9);
  EXPECT_TRUE(table.RecordChanged());
  EXPECT_TRUE(table.ColumnChanged(2));
  EXPECT_FALSE(table.ColumnChanged(1));
  table.WriteRecord(2);
  EXPECT_FALSE(table.RecordChanged());
  table.AppendRecord();
  EXPECT_EQ((std::vector<std::string>{"4:2", "6:2", "5:2", "7:2", "5:0", "7:4"}), table.events);
  const int hl = 32 * 2 + 33;
  EXPECT_EQ((std::vector<std::string>{std::to_string(hl + 16) + "+16", "0+32",
                                      std::to_string(hl + 48) + "+17", "0+32"}),
            table.writes);
}

}  // namespace
}  // namespace zakaz::dbf
