// The dataset over a table: opening, fields, navigation, editing, positions.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstring>
#include <fstream>
#include <iterator>

#include "dataset_test_util.h"
#include "dbf/base/errors.h"
#include "dbf/dataset/dataset_table.h"
#include "dbf/table/code_page.h"
#include "support/file_bytes.h"
#include "support/temp_dir.h"

namespace zakaz::dbf {
namespace {

using zakaz::testing::ReadFile;

using ::testing::ElementsAre;
using ::testing::HasSubstr;
using testing::RowsMatching;
using ::testing::StrEq;
using ::testing::ThrowsMessage;
using testing::TRecordingView;
using testing::TRow;
using testing::WindowRecords;
using testing::WriteTable;

class DataSetTest : public ::testing::Test {
 protected:
  std::string Path(const char* name = "price.DBF") const { return dir_.File(name); }
  void Write(const std::vector<TRow>& rows) { WriteTable(Path(), rows); }
  void Open(TTableDataSet& ds) {
    ds.SetTableName(Path());
    ds.SetExclusive(true);
    ds.Open();
  }
  std::vector<int32_t> Walk(TTableDataSet& ds) {
    std::vector<int32_t> seen;
    for (ds.First(); !ds.Eof(); ds.Next()) seen.push_back(ds.RecNo());
    return seen;
  }

  zakaz::testing::TempDir dir_;
};

// ---- Opening ---------------------------------------------------------------

TEST_F(DataSetTest, OpeningAddsTheExtensionAndStoresIt) {
  Write(RowsMatching(2, {}));
  TTableDataSet ds("PriceTable");
  ds.SetTableName(dir_.File("price"));
  ds.Open();
  EXPECT_EQ(dir_.File("price.DBF"), ds.TableName());
  EXPECT_TRUE(ds.Active());
  EXPECT_EQ(TDataSetState::dsBrowse, ds.State());
}

TEST_F(DataSetTest, OpeningFailures) {
  TTableDataSet ds("PriceTable");
  EXPECT_THAT([&] { ds.Open(); }, ThrowsMessage<EDatabaseError>(StrEq("Table name missing")));
  ds.SetTableName(dir_.File("absent.DBF"));
  EXPECT_THAT([&] { ds.Open(); },
              ThrowsMessage<EDatabaseError>(StrEq("Cannot find file " + dir_.File("absent.DBF"))));
  EXPECT_FALSE(ds.Active());
}

TEST_F(DataSetTest, ClosedAndOpenDatasetRefuseWhatNeedsTheOtherState) {
  Write(RowsMatching(1, {}));
  TTableDataSet ds("PriceTable");
  EXPECT_THAT([&] { ds.RecNo(); },
              ThrowsMessage<EDatabaseError>(
                  StrEq("PriceTable: Cannot perform this operation on a closed dataset")));
  EXPECT_THAT([&] { ds.RecordCount(); },
              ThrowsMessage<EDatabaseError>(
                  StrEq("PriceTable: Cannot perform this operation on a closed dataset")));
  Open(ds);
  EXPECT_THAT([&] { ds.SetTableName("other"); },
              ThrowsMessage<EDatabaseError>(
                  StrEq("PriceTable: Cannot perform this operation on an open dataset")));
}

TEST_F(DataSetTest, DeclaredFieldsBindByNameIgnoringCase) {
  WriteTable(Path(), {{"A"}}, {{"KOD", 'C', 10, 0}, {"QUANT", 'N', 5, 0}, {"KOL", 'N', 12, 0}});
  TTableDataSet ds("PriceTable");
  TField& kod = ds.AddField("Kod", TFieldType::ftString, 10);
  TField& kol = ds.AddField("KOL", TFieldType::ftInteger);
  ds.SetLargeIntegerAs(TLargeIntegerAs::asInteger);
  Open(ds);
  EXPECT_EQ(1, kod.FieldNo());
  EXPECT_EQ(3, kol.FieldNo());
  EXPECT_EQ("A", kod.AsString());
  EXPECT_EQ(2, ds.FieldCount());  // only the declared ones
}

struct TBindFailure {
  const char* name;
  TFieldType declared;
  TLargeIntegerAs large;
  const char* message;
};

TEST_F(DataSetTest, DeclaredFieldsThatDoNotFitFailToOpen) {
  WriteTable(Path(), {{"A"}}, {{"NAME", 'C', 100, 0}, {"PRICE", 'N', 10, 0}, {"KOL", 'N', 12, 0}});
  const TBindFailure cases[] = {
      {"PRICE", TFieldType::ftFloat, TLargeIntegerAs::asInteger,
       "PriceTable: Type mismatch for field 'PRICE', expecting: Float actual: Integer"},
      {"KOL", TFieldType::ftInteger, TLargeIntegerAs::asLargeInt,
       "PriceTable: Type mismatch for field 'KOL', expecting: Integer actual: LargeInt"},
      {"SUMMA", TFieldType::ftFloat, TLargeIntegerAs::asInteger,
       "PriceTable: Field 'SUMMA' not found"},
  };
  for (const TBindFailure& c : cases) {
    SCOPED_TRACE(c.name);
    TTableDataSet ds("PriceTable");
    ds.AddField("NAME", TFieldType::ftString, 100);
    ds.AddField(c.name, c.declared);
    ds.SetLargeIntegerAs(c.large);
    ds.SetTableName(Path());
    EXPECT_THAT([&] { ds.Open(); }, ThrowsMessage<EDatabaseError>(StrEq(c.message)));
    EXPECT_FALSE(ds.Active());
  }
}

TEST_F(DataSetTest, FieldTypesFollowTheColumns) {
  WriteTable(Path(), {},
             {{"S", 'C', 3, 0},
              {"F", 'N', 10, 2},
              {"SM", 'N', 4, 0},
              {"I", 'N', 9, 0},
              {"BIG", 'N', 10, 0},
              {"D", 'D', 8, 0},
              {"L", 'L', 1, 0},
              {"X", 'X', 4, 0},
              {"AFTER", 'N', 3, 0}});
  TTableDataSet ds;
  Open(ds);
  std::vector<std::pair<std::string, TFieldType>> got;
  for (int32_t i = 0; i < ds.FieldCount(); ++i) {
    got.emplace_back(ds.Fields(i).FieldName(), ds.Fields(i).DataType());
  }
  EXPECT_THAT(got,
              ElementsAre(std::pair<std::string, TFieldType>{"S", TFieldType::ftString},
                          std::pair<std::string, TFieldType>{"F", TFieldType::ftFloat},
                          std::pair<std::string, TFieldType>{"SM", TFieldType::ftSmallint},
                          std::pair<std::string, TFieldType>{"I", TFieldType::ftInteger},
                          std::pair<std::string, TFieldType>{"BIG", TFieldType::ftLargeint},
                          std::pair<std::string, TFieldType>{"D", TFieldType::ftDate},
                          std::pair<std::string, TFieldType>{"L", TFieldType::ftBoolean},
                          std::pair<std::string, TFieldType>{"AFTER", TFieldType::ftSmallint}));
  // The column without a field leaves a gap in the numbering.
  EXPECT_EQ(9, ds.FieldByName("after").FieldNo());
}

// ---- Navigation ---------------------------------------------------------------

TEST_F(DataSetTest, TablesWithoutVisibleRecordsOpenEmpty) {
  const std::vector<std::vector<TRow>> tables = {{}, {{"A", "    1", true}, {"B", "    1", true}}};
  for (const auto& rows : tables) {
    SCOPED_TRACE(rows.size());
    Write(rows);
    TTableDataSet ds;
    Open(ds);
    EXPECT_TRUE(ds.Eof());
    EXPECT_TRUE(ds.Bof());
    EXPECT_TRUE(ds.IsEmpty());
    EXPECT_EQ(0, ds.RecNo());
    ds.First();
    EXPECT_TRUE(ds.Eof() && ds.Bof() && ds.IsEmpty());
    ds.Last();
    EXPECT_TRUE(ds.Eof() && ds.IsEmpty());
    EXPECT_EQ(static_cast<int32_t>(rows.size()), ds.RecordCount());
    ds.SetExactCount(true);
    EXPECT_EQ(0, ds.RecordCount());
  }
}

TEST_F(DataSetTest, DeletedRecordsAreNeverVisited) {
  Write({{"A"}, {"B", "    0", true}, {"C"}, {"D", "    0", true}});
  for (int32_t window : {1, 3}) {
    SCOPED_TRACE(window);
    TTableDataSet ds;
    TRecordingView view(window);
    ds.AttachView(&view);
    Open(ds);
    EXPECT_THAT(Walk(ds), ElementsAre(1, 3));
    ds.SetRecNo(2);
    EXPECT_EQ(3, ds.RecNo()) << "a deleted record gives way to the next visible one";
    ds.SetExactCount(true);
    EXPECT_EQ(2, ds.RecordCount());
    ds.SetExactCount(false);
    EXPECT_EQ(4, ds.RecordCount());
    ds.DetachView(&view);
  }
  TTableDataSet with_deleted;
  with_deleted.SetUseDeleted(true);
  Open(with_deleted);
  EXPECT_THAT(Walk(with_deleted), ElementsAre(1, 2, 3, 4));
}

TEST_F(DataSetTest, NextOnTheLastRowSetsEofAndKeepsTheRow) {
  Write(RowsMatching(3, {}));
  for (int32_t window : {1, 2, 5}) {
    SCOPED_TRACE(window);
    TTableDataSet ds;
    TRecordingView view(window);
    ds.AttachView(&view);
    Open(ds);
    EXPECT_TRUE(ds.Bof());
    EXPECT_FALSE(ds.Eof());
    EXPECT_EQ(1, ds.MoveBy(1));
    EXPECT_EQ(1, ds.MoveBy(1));
    EXPECT_EQ(3, ds.RecNo());
    EXPECT_EQ(0, ds.MoveBy(1));
    EXPECT_TRUE(ds.Eof());
    EXPECT_EQ(3, ds.RecNo());
    EXPECT_EQ(0, ds.MoveBy(1)) << "nothing moves once Eof is set";
    EXPECT_EQ(-2, ds.MoveBy(-5));
    EXPECT_TRUE(ds.Bof());
    EXPECT_EQ(1, ds.RecNo());
    ds.Last();
    EXPECT_TRUE(ds.Eof());
    EXPECT_EQ(3, ds.RecNo());
    ds.Prior();
    EXPECT_EQ(2, ds.RecNo());
    ds.DetachView(&view);
  }
}

// With a window of 30 rows and 1,000 matching records, First reads 30
// records, 29 Next read none and the 30th reads one.
TEST_F(DataSetTest, NextInsideTheWindowReadsNothing) {
  std::vector<int> all;
  for (int n = 1; n <= 1000; ++n) all.push_back(n);
  Write(RowsMatching(1000, all));
  for (bool filtered : {false, true}) {
    SCOPED_TRACE(filtered);
    TTableDataSet ds;
    TRecordingView view(30);
    ds.AttachView(&view);
    ds.SetFilter("QUANT>0");
    ds.SetFiltered(filtered);
    Open(ds);
    const int64_t before_first = ds.Table()->RecordReads();
    ds.First();
    EXPECT_EQ(30, ds.Table()->RecordReads() - before_first);
    const int64_t before_next = ds.Table()->RecordReads();
    for (int i = 0; i < 29; ++i) ds.Next();
    EXPECT_EQ(0, ds.Table()->RecordReads() - before_next);
    ds.Next();
    EXPECT_EQ(1, ds.Table()->RecordReads() - before_next);
    EXPECT_EQ(31, ds.RecNo());
    ds.DetachView(&view);
  }
}

TEST_F(DataSetTest, ViewsSetTheWindowAndHearOfMoves) {
  Write(RowsMatching(10, {}));
  TTableDataSet ds;
  TRecordingView view(4);
  ds.AttachView(&view);
  Open(ds);
  EXPECT_EQ(4, ds.WindowCapacity());
  EXPECT_THAT(WindowRecords(ds), ElementsAre(1, 2, 3, 4));
  view.log.clear();
  ds.Next();
  ds.MoveBy(3);
  EXPECT_THAT(view.log, ElementsAre("scrolled 1", "scrolled 3"));
  EXPECT_THAT(WindowRecords(ds), ElementsAre(2, 3, 4, 5));
  EXPECT_EQ(3, ds.ActiveWindowRow());
  view.SetRows(2);
  ds.UpdateWindowCapacity();
  EXPECT_EQ(2, ds.WindowCapacity());
  EXPECT_EQ(5, ds.RecNo());
  view.SetRows(6);
  ds.UpdateWindowCapacity();
  EXPECT_EQ(5, ds.RecNo());
  EXPECT_EQ(6, ds.WindowRowCount());
  ds.DetachView(&view);
  EXPECT_EQ(1, ds.WindowCapacity());
  EXPECT_EQ(5, ds.RecNo());
}

TEST_F(DataSetTest, DisabledControlsSilenceViewsUntilEnabled) {
  Write(RowsMatching(5, {}));
  TTableDataSet ds;
  TRecordingView view(2);
  ds.AttachView(&view);
  Open(ds);
  view.log.clear();
  ds.DisableControls();
  ds.DisableControls();
  ds.Next();
  ds.Edit();
  ds.Cancel();
  ds.EnableControls();
  EXPECT_TRUE(view.log.empty());
  ds.EnableControls();
  EXPECT_THAT(view.log, ElementsAre("changed"));
  ds.DetachView(&view);
}

// ---- Bookmarks and record numbers ------------------------------------------

TEST_F(DataSetTest, BookmarksOrderLikeRecordNumbersAndLeadBack) {
  Write(RowsMatching(12, {}));
  TTableDataSet ds("PriceTable");
  TRecordingView view(5);
  ds.AttachView(&view);
  Open(ds);
  ds.MoveBy(3);
  const TBookmark fourth = ds.GetBookmark();
  EXPECT_STREQ("         4", fourth.data());
  ds.MoveBy(6);
  const TBookmark tenth = ds.GetBookmark();
  EXPECT_LT(std::string(fourth.data()), std::string(tenth.data()));
  ds.GotoBookmark(fourth);
  EXPECT_EQ(4, ds.RecNo());
  EXPECT_EQ(2, ds.ActiveWindowRow()) << "an exact re-synchronisation centres the row";
  EXPECT_THAT(WindowRecords(ds), ElementsAre(2, 3, 4, 5, 6));

  TBookmark garbage{};
  std::memcpy(garbage.data(), "    12x   ", 10);
  EXPECT_THAT([&] { ds.GotoBookmark(garbage); },
              ThrowsMessage<EDatabaseError>(StrEq("Bookmark is invalid for table " + Path())));
  TBookmark beyond{};
  std::memcpy(beyond.data(), "        13", 10);
  EXPECT_THAT([&] { ds.GotoBookmark(beyond); },
              ThrowsMessage<EDatabaseError>(StrEq("PriceTable: Record not found")));
  ds.DetachView(&view);
}

// ---- Editing -----------------------------------------------------------------

TEST_F(DataSetTest, ReadOnlyDatasetRefusesEditsAndLeavesTheFileAlone) {
  Write(RowsMatching(3, {2}));
  const std::string before = ReadFile(Path());
  {
    TTableDataSet ds("PriceTable");
    ds.SetReadOnly(true);
    Open(ds);
    EXPECT_FALSE(ds.CanModify());
    for (auto op : {&TTableDataSet::Edit, &TTableDataSet::Insert, &TTableDataSet::Append}) {
      EXPECT_THAT([&] { (ds.*op)(); }, ThrowsMessage<EDatabaseError>(
                                           StrEq("PriceTable: Cannot modify a read-only dataset")));
      EXPECT_EQ(TDataSetState::dsBrowse, ds.State());
    }
    ds.SetReadOnly(false);
    EXPECT_TRUE(ds.ReadOnly()) << "a file opened for reading stays read-only";
    ds.SetFilter("QUANT>0");
    ds.SetFiltered(true);
    ds.Refresh();
    EXPECT_EQ(2, ds.RecNo());
  }
  EXPECT_EQ(before, ReadFile(Path()));
}

TEST_F(DataSetTest, SettingFieldsNeedsEditMode) {
  Write(RowsMatching(2, {}));
  TTableDataSet ds("PriceTable");
  Open(ds);
  TField& quant = ds.FieldByName("QUANT");
  EXPECT_THAT([&] { quant.SetAsInteger(3); },
              ThrowsMessage<EDatabaseError>(StrEq("Dataset not in edit or insert mode")));
  ds.Edit();
  ds.FieldByName("NAME").SetReadOnly(true);
  EXPECT_THAT([&] { ds.FieldByName("NAME").SetAsString("x"); },
              ThrowsMessage<EDatabaseError>(StrEq("Field 'NAME' cannot be modified")));
  EXPECT_THAT([&] { ds.FieldByName("nope"); },
              ThrowsMessage<EDatabaseError>(StrEq("PriceTable: Field 'nope' not found")));
}

struct TSetCase {
  const char* text;
  const char* message;  // nullptr: accepted
  int expected;
};

TEST_F(DataSetTest, WholeNumberFieldsCheckTextAndRange) {
  WriteTable(Path(), {{"A"}}, {{"NAME", 'C', 5, 0}, {"NDS", 'N', 4, 0}, {"QUANT", 'N', 9, 0}});
  TTableDataSet ds;
  Open(ds);
  ds.Edit();
  const TSetCase small[] = {
      {"12", nullptr, 12},
      {" -7 ", nullptr, -7},
      {"", nullptr, 0},
      {"1.5", "'1.5' is not a valid integer value for field 'NDS'", 0},
      {"abc", "'abc' is not a valid integer value for field 'NDS'", 0},
      {"40000", "40000 is not a valid value for field 'NDS'. The allowed range is -32768 to 32767",
       0},
  };
  for (const TSetCase& c : small) {
    SCOPED_TRACE(c.text);
    TField& nds = ds.FieldByName("NDS");
    if (c.message == nullptr) {
      nds.SetAsString(c.text);
      EXPECT_EQ(c.expected, nds.AsInteger());
      EXPECT_FALSE(nds.IsNull());
    } else {
      EXPECT_THAT([&] { nds.SetAsString(c.text); },
                  ThrowsMessage<EDatabaseError>(StrEq(c.message)));
    }
  }
  EXPECT_THAT([&] { ds.FieldByName("QUANT").SetAsLargeInt(3000000000LL); },
              ThrowsMessage<EDatabaseError>(
                  StrEq("3000000000 is not a valid value for field 'QUANT'. The allowed range is "
                        "-2147483648 to 2147483647")));
  EXPECT_THAT([&] { ds.FieldByName("NDS").SetAsInteger(12345); },
              ThrowsMessage<ETableError>(StrEq("numeric value too big in field NDS - 12345")));
  EXPECT_EQ(0, ds.FieldByName("NDS").AsInteger()) << "a failed put keeps the old bytes";
}

TEST_F(DataSetTest, NumbersReadRoundedHalvesToEvenAndBlankAsZero) {
  WriteTable(Path(), {}, {{"Q", 'N', 6, 0}, {"F", 'N', 6, 1}});
  {
    TDbfColumns table(Path(), false, true);
    for (const char* text : {"   2.5", "   3.5", "      ", "  -2.5"}) {
      table.BlankRecord();
      table.PutText(1, text);
      table.PutText(2, "  12.5");
      table.AppendRecord();
    }
  }
  TTableDataSet ds;
  ds.AddField("Q", TFieldType::ftInteger);
  ds.AddField("F", TFieldType::ftFloat);
  Open(ds);
  std::vector<int32_t> values;
  for (ds.First(); !ds.Eof(); ds.Next()) {
    values.push_back(ds.FieldByName("Q").AsInteger());
    EXPECT_FALSE(ds.FieldByName("Q").IsNull());
    EXPECT_EQ("12,5", ds.FieldByName("F").AsString());
  }
  EXPECT_THAT(values, ElementsAre(2, 4, 0, -2));
}

// Float fields read out in the program's one general number format, the
// same text the windows show for a number.
TEST_F(DataSetTest, FloatTextsUseTheProgramsGeneralNumberFormat) {
  WriteTable(Path(), {}, {{"F", 'N', 25, 2}});
  {
    TDbfColumns table(Path(), false, true);
    for (const char* text : {"   150000000000000000000", "                     0.25"}) {
      table.BlankRecord();
      table.PutText(1, text);
      table.AppendRecord();
    }
  }
  TTableDataSet ds;
  Open(ds);
  std::vector<std::string> texts;
  for (ds.First(); !ds.Eof(); ds.Next()) texts.push_back(ds.FieldByName("F").AsString());
  EXPECT_THAT(texts, ElementsAre("1,5E20", "0,25"));
}

TEST_F(DataSetTest, StringFieldsTranslateBetweenCodePages) {
  WriteTable(Path(), {{"   "}}, {{"NAME", 'C', 20, 0}, {"COMMENT", 'C', 20, 0}});
  const std::string ansi = Utf8ToCp1251("Аспирин");
  const std::string oem = Utf8ToCp866("Аспирин");
  for (bool translate : {true, false}) {
    SCOPED_TRACE(translate);
    TTableDataSet ds;
    ds.SetTranslateASCII(translate);
    Open(ds);
    EXPECT_TRUE(ds.FieldByName("NAME").IsNull());
    EXPECT_EQ("", ds.FieldByName("NAME").AsString());
    ds.Edit();
    ds.FieldByName("COMMENT").SetAsString(ansi);
    ds.Post();
    ds.Close();
    TDbfColumns table(Path(), false, false);
    table.GotoRecord(1);
    EXPECT_EQ(translate ? oem : ansi, table.GetString(2));
    table.Close();
    ds.Open();
    EXPECT_EQ(ansi, ds.FieldByName("COMMENT").AsString());
  }
}

TEST(DataSetTranslate, ZeroTerminatedTextInPlace) {
  TTableDataSet ds;
  std::string text = Utf8ToCp1251("Яя A") + '\0' + "tail";
  ds.Translate(text.data(), text.data(), true);
  EXPECT_EQ(Utf8ToCp866("Яя A") + '\0' + "tail", text);
  ds.SetTranslateASCII(false);
  ds.Translate(text.data(), text.data(), false);
  EXPECT_EQ(Utf8ToCp866("Яя A"), std::string(text.c_str()));
}

TEST_F(DataSetTest, ClearingAWholeNumberWritesZero) {
  Write({{"A", "   17"}});
  TTableDataSet ds;
  Open(ds);
  ds.Edit();
  ds.FieldByName("QUANT").Clear();
  ds.Post();
  ds.Close();
  TDbfColumns table(Path(), false, false);
  table.GotoRecord(1);
  EXPECT_EQ("    0", table.GetText(3));
}

TEST_F(DataSetTest, PostWithoutChangesStillRewritesRecordAndHeader) {
  Write(RowsMatching(2, {}));
  {
    // Age the header's date so the rewrite shows.
    std::fstream file(Path(), std::ios::in | std::ios::out | std::ios::binary);
    file.seekp(1);
    const char old_date[3] = {1, 1, 1};
    file.write(old_date, 3);
  }
  TTableDataSet ds;
  Open(ds);
  ds.Edit();
  ds.Post();
  ds.Close();
  const std::string bytes = ReadFile(Path());
  const LocalDateTime now = LocalNow();
  EXPECT_EQ(now.year % 100, static_cast<uint8_t>(bytes[1]));
  EXPECT_EQ(now.month, static_cast<uint8_t>(bytes[2]));
  EXPECT_EQ(now.day, static_cast<uint8_t>(bytes[3]));
}

TEST_F(DataSetTest, EditOnAnEmptyWindowAppendsOnPost) {
  Write({});
  TTableDataSet ds;
  Open(ds);
  ds.Edit();
  EXPECT_EQ(TDataSetState::dsInsert, ds.State());
  ds.FieldByName("NAME").SetAsString("NEW");
  ds.FieldByName("QUANT").SetAsInteger(2);
  ds.Post();
  EXPECT_EQ(TDataSetState::dsBrowse, ds.State());
  EXPECT_EQ(1, ds.RecNo());
  EXPECT_EQ("NEW", ds.FieldByName("NAME").AsString());
  EXPECT_EQ(1, ds.RecordCount());
}

TEST_F(DataSetTest, InsertInsideTheWindowAppendsOnPostAndCancelGoesBack) {
  Write(RowsMatching(5, {}));
  TTableDataSet ds;
  TRecordingView view(3);
  ds.AttachView(&view);
  Open(ds);
  ds.Next();
  ds.Insert();
  EXPECT_EQ(TDataSetState::dsInsert, ds.State());
  EXPECT_EQ(1, ds.ActiveWindowRow());
  EXPECT_EQ(0, ds.RecNo());
  ds.Cancel();
  EXPECT_EQ(2, ds.RecNo());
  EXPECT_EQ(5, ds.RecordCount());
  ds.Insert();
  ds.FieldByName("NAME").SetAsString("NEW");
  ds.Post();
  EXPECT_EQ(6, ds.RecNo());
  EXPECT_EQ("NEW", ds.FieldByName("NAME").AsString());
  ds.Append();
  ds.Cancel();
  EXPECT_EQ(6, ds.RecordCount());
  ds.DetachView(&view);
}

TEST_F(DataSetTest, CancelDropsTheChangesAndMovesPostFirst) {
  Write(RowsMatching(3, {}));
  TTableDataSet ds;
  Open(ds);
  ds.Edit();
  ds.FieldByName("QUANT").SetAsInteger(5);
  ds.Cancel();
  EXPECT_EQ(0, ds.FieldByName("QUANT").AsInteger());
  ds.Edit();
  ds.FieldByName("QUANT").SetAsInteger(6);
  ds.Next();  // a move posts the modified row
  ds.Prior();
  EXPECT_EQ(6, ds.FieldByName("QUANT").AsInteger());
  EXPECT_EQ(TDataSetState::dsBrowse, ds.State());
}

TEST_F(DataSetTest, CalculatedFieldsFollowEveryRowAndEveryChange) {
  Write({{"A", "    2"}, {"B", "    3"}});
  TTableDataSet ds;
  ds.AddField("NAME", TFieldType::ftString, 20);
  ds.AddField("PRICE", TFieldType::ftFloat);
  ds.AddField("QUANT", TFieldType::ftInteger);
  TField& summa = ds.AddField("SUMMA", TFieldType::ftCurrency, 0, TFieldKind::fkCalculated);
  summa.SetReadOnly(true);
  int calculations = 0;
  ds.OnCalcFields = [&](TTableDataSet& d) {
    ++calculations;
    EXPECT_THAT([&] { d.FieldByName("QUANT").SetAsInteger(1); },
                ThrowsMessage<EDatabaseError>(StrEq("Dataset not in edit or insert mode")));
    d.FieldByName("SUMMA").SetAsFloat(d.FieldByName("QUANT").AsInteger() *
                                      d.FieldByName("PRICE").AsFloat());
  };
  Open(ds);
  EXPECT_GT(calculations, 0);
  EXPECT_DOUBLE_EQ(25.0, summa.AsFloat());
  ds.Next();
  EXPECT_DOUBLE_EQ(37.5, summa.AsFloat());
  ds.Edit();
  ds.FieldByName("QUANT").SetAsInteger(4);
  EXPECT_DOUBLE_EQ(50.0, summa.AsFloat()) << "AutoCalcFields recomputes while editing";
  ds.Post();
  EXPECT_DOUBLE_EQ(50.0, summa.AsFloat());
}

TEST_F(DataSetTest, EventsFireAroundEditsAndMoves) {
  Write(RowsMatching(3, {}));
  TTableDataSet ds;
  std::vector<std::string> events;
  auto note = [&](const char* name) {
    return [&events, name](TTableDataSet&) { events.push_back(name); };
  };
  ds.BeforeScroll = note("BeforeScroll");
  ds.AfterScroll = note("AfterScroll");
  ds.BeforeEdit = note("BeforeEdit");
  ds.AfterEdit = note("AfterEdit");
  ds.BeforePost = note("BeforePost");
  ds.AfterPost = note("AfterPost");
  Open(ds);
  ds.Edit();
  ds.FieldByName("QUANT").SetAsInteger(1);
  ds.Next();
  EXPECT_THAT(events, ElementsAre("BeforeEdit", "AfterEdit", "BeforePost", "AfterPost",
                                  "BeforeScroll", "AfterScroll"));
}

// ---- Peeking and the visible-row list -----------------------------------------

TEST_F(DataSetTest, PeekReadsAnyRecordWithoutMovingTheCursor) {
  Write({{"A", "    1"}, {"B", "    2"}, {"C", "    3"}});
  TTableDataSet ds;
  ds.AddField("NAME", TFieldType::ftString, 20);
  ds.AddField("QUANT", TFieldType::ftInteger);
  ds.AddField("TWICE", TFieldType::ftInteger, 0, TFieldKind::fkCalculated);
  ds.OnCalcFields = [](TTableDataSet& d) {
    d.FieldByName("TWICE").SetAsInteger(2 * d.FieldByName("QUANT").AsInteger());
  };
  Open(ds);
  const int64_t reads = ds.Table()->RecordReads();
  const TRecordValues third = ds.PeekRecord(3);
  EXPECT_EQ(reads, ds.Table()->RecordReads()) << "peeking is not a cursor move";
  ASSERT_EQ(3u, third.values.size());
  EXPECT_EQ("C", third.values[0].text);
  EXPECT_EQ(3, third.values[1].number);
  EXPECT_EQ("6", third.values[2].text);
  EXPECT_EQ(1, ds.RecNo());
  EXPECT_EQ("A", ds.FieldByName("NAME").AsString());
  ds.Edit();
  ds.FieldByName("QUANT").SetAsInteger(7);
  EXPECT_EQ(7, ds.PeekRecord(1).values[1].number) << "the row being edited shows its new value";
  EXPECT_EQ(14, ds.PeekRecord(1).values[2].number);
  ds.Next();
  EXPECT_EQ(2, ds.RecNo());
  EXPECT_THAT([&] { ds.PeekRecord(4); }, ThrowsMessage<EDatabaseError>(StrEq("Record not found")));
}

}  // namespace
}  // namespace zakaz::dbf
