// What the dataset keeps between passes over a table (the list of every
// live row, the sums of the rows shown without a filter, the name-prefix
// index of the search, the prepared and earlier filters' match sets) stays
// what a fresh opening would find, after every kind of write and change.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "common/code_page.h"
#include "dataset_test_util.h"
#include "dbf/base/errors.h"
#include "dbf/dataset/dataset_table.h"
#include "dbf/table/code_page.h"
#include "dbf/table/dbf_columns.h"
#include "support/file_bytes.h"
#include "support/temp_dir.h"

namespace zakaz::dbf {
namespace {

using testing::TRow;
using testing::WriteTable;

constexpr char kOrderFilter[] = "QUANT>0";

// The price list's shape in small: NAME, PRICE, QUANT, and SUMMA
// calculated as QUANT × PRICE.
struct TPriceFields {
  TField* name;
  TField* price;
  TField* quant;
  TField* summa;
};

TPriceFields Configure(TTableDataSet& ds, bool declare_product) {
  TPriceFields f{};
  f.name = &ds.AddField("NAME", TFieldType::ftString, 20);
  f.price = &ds.AddField("PRICE", TFieldType::ftFloat);
  f.quant = &ds.AddField("QUANT", TFieldType::ftInteger);
  f.summa = &ds.AddField("SUMMA", TFieldType::ftCurrency, 0, TFieldKind::fkCalculated);
  ds.OnCalcFields = [f](TTableDataSet&) {
    f.summa->SetAsFloat(f.quant->AsInteger() * f.price->AsFloat());
  };
  if (declare_product) {
    ds.DeclareProduct(*f.summa, *f.quant, *f.price);
    ds.PrepareFilter(kOrderFilter);
  }
  return f;
}

// Names in the stored code page, mixed case, Latin and Cyrillic, several
// sharing their first eight letters; a deleted row; quantities on some.
std::vector<TRow> Rows() {
  auto oem = [](const char* utf8) { return ToOem(Utf8ToCp1251(utf8)); };
  return {{"Bromgeksin", "    2"},
          {"analgin", "    0"},
          {oem("Парацетамол 500"), "    1"},
          {oem("парацетамол 200"), "     "},
          {"ASPIRIN C", "    3"},
          {"aspirin", "    0", true},
          {oem("ПАРАЦЕТАМОЛ 100"), "    0"},
          {"Aspirin cardio", "    0"},
          {oem("ёж"), "    4"},
          {"", "    0"}};
}

// Prefixes to search for (UTF-8): short ones the key decides, long ones
// its bytes only narrow down.
const char* const kPrefixes[] = {
    "a",    "ASP",       "aspirin c",     "aspirin ca",    "b",
    "пара", "ПАРАЦЕТАМ", "парацетамол 2", "парацетамол 1", "парацетамол 9",
    "Ё",    "x",         "новое имя",     "NEW NAME"};

struct TSnapshot {
  std::vector<int32_t> rows;
  std::vector<int64_t> sums;
  std::vector<int32_t> found;
  bool operator==(const TSnapshot&) const = default;
};

std::ostream& operator<<(std::ostream& out, const TSnapshot& s) {
  out << "rows";
  for (int32_t r : s.rows) out << ' ' << r;
  out << "; sums";
  for (int64_t v : s.sums) out << ' ' << v;
  out << "; found";
  for (int32_t v : s.found) out << ' ' << v;
  return out;
}

TSnapshot Take(TTableDataSet& ds, const TPriceFields& f) {
  TSnapshot s;
  const TVisibleRows& rows = ds.VisibleRows();
  for (int32_t i = 0; i < rows.Count(); ++i) s.rows.push_back(rows.RecordAt(i));
  auto index_of = [&](const TField* field) {
    for (int32_t i = 0; i < ds.FieldCount(); ++i) {
      if (&ds.Fields(i) == field) return i;
    }
    return -1;
  };
  s.sums = ds.SumVisible({index_of(f.quant), index_of(f.summa)});
  for (const char* prefix : kPrefixes)
    s.found.push_back(ds.FindVisiblePrefix(index_of(f.name), Utf8ToCp1251(prefix)));
  return s;
}

void ApplyFilter(TTableDataSet& ds, const std::string& filter) {
  if (filter.empty()) {
    ds.SetFiltered(false);
    ds.SetFilter("");
  } else {
    ds.SetFilter(filter);
    ds.SetFiltered(true);
  }
}

// What a dataset opened afresh on a copy of the file, with nothing kept and
// the row calculation run on every row, finds under `filter`.
TSnapshot Fresh(const std::string& path, const std::string& filter) {
  const std::string copy = path + ".fresh.DBF";
  std::filesystem::copy_file(path, copy, std::filesystem::copy_options::overwrite_existing);
  TTableDataSet fresh("Fresh");
  const TPriceFields f = Configure(fresh, false);
  fresh.SetTableName(copy);
  fresh.SetFilter(filter);
  fresh.SetFiltered(!filter.empty());
  fresh.Open();
  return Take(fresh, f);
}

// Run with the price list's exclusive opening, where whole-table passes
// read the mapped file, and with a shared one, where they read blocks.
class KeptStateTest : public ::testing::TestWithParam<bool> {
 protected:
  void SetUp() override {
    path_ = dir_.File("price.DBF");
    WriteTable(path_, Rows());
    fields_ = Configure(ds_, true);
    ds_.SetExclusive(GetParam());
    ds_.SetTableName(path_);
    ds_.Open();
  }

  // Every filter the program uses: what the kept state answers is what a
  // fresh opening finds. Ends unfiltered.
  void ExpectAsFresh() {
    const std::string name_filter = "Name = '*" + ToOem(Utf8ToCp1251("арацетамол")) + "*'";
    for (const std::string& filter : {std::string(), std::string(kOrderFilter), name_filter}) {
      SCOPED_TRACE("filter \"" + filter + "\"");
      ApplyFilter(ds_, filter);
      EXPECT_EQ(Fresh(path_, filter), Take(ds_, fields_));
    }
    ApplyFilter(ds_, "");
    EXPECT_EQ(Fresh(path_, ""), Take(ds_, fields_));
  }

  // Posts `quant` (and `name`, unless empty) on record `recno`.
  void PostRow(int32_t recno, int32_t quant, const std::string& name = "") {
    ds_.SetRecNo(recno);
    ds_.Edit();
    fields_.quant->SetAsInteger(quant);
    if (!name.empty()) fields_.name->SetAsString(Utf8ToCp1251(name));
    ds_.Post();
  }

  zakaz::testing::TempDir dir_;
  std::string path_;
  TTableDataSet ds_{"PriceTable"};
  TPriceFields fields_{};
};

TEST_P(KeptStateTest, StaysAsAFreshOpeningFindsAfterEveryKindOfWrite) {
  // Everything is built once first, so each step below has something kept.
  ExpectAsFresh();
  struct TStep {
    const char* what;
    std::function<void()> run;
  };
  const TStep steps[] = {
      {"a quantity posted", [&] { PostRow(2, 5); }},
      {"a quantity posted under the order filter",
       [&] {
         ApplyFilter(ds_, kOrderFilter);
         ds_.First();
         ds_.Edit();
         fields_.quant->SetAsInteger(7);
         ds_.Post();
       }},
      {"the Delete key's store of 0", [&] { PostRow(5, 0); }},
      {"a name changed", [&] { PostRow(8, 1, "Новое имя"); }},
      {"a record appended",
       [&] {
         ds_.Append();
         fields_.name->SetAsString("New name");
         fields_.quant->SetAsInteger(2);
         ds_.Post();
       }},
      {"every quantity cleared",
       [&] {
         ApplyFilter(ds_, kOrderFilter);
         EXPECT_EQ(6, ds_.ZeroOnVisibleRows(*fields_.quant));
       }},
      {"the order filter on and off with writes between",
       [&] {
         ApplyFilter(ds_, kOrderFilter);
         ApplyFilter(ds_, "");
         PostRow(3, 2);
         ApplyFilter(ds_, "Name = 'x*'");
         PostRow(4, 9);
         ApplyFilter(ds_, "");
       }},
      {"another file opened and the price list again",
       [&] {
         const std::string other = dir_.File("other.DBF");
         WriteTable(other, {{"Other", "    8"}});
         ds_.Close();
         ds_.SetTableName(other);
         ds_.Open();
         Take(ds_, fields_);
         ds_.Close();
         ds_.SetTableName(path_);
         ds_.Open();
       }},
      {"reopened after a change made outside",
       [&] {
         ds_.Close();
         {
           TDbfColumns table(path_, false, true);
           table.GotoRecord(1);
           table.PutNumber(table.FieldNumber("QUANT"), 6);
           table.PutText(1, "Zinc");
           table.WriteRecord(1);
         }
         ds_.Open();
       }},
  };
  for (const TStep& step : steps) {
    SCOPED_TRACE(step.what);
    step.run();
    ExpectAsFresh();
  }
}

TEST_P(KeptStateTest, SearchFindsTheFirstShownRowBeyondTheIndexedLetters) {
  const int32_t name = 0;
  struct TCase {
    const char* prefix;  // UTF-8
    int32_t row;         // among the shown records 1-5 and 7-10 (6 is deleted)
  };
  const TCase cases[] = {
      {"a", 1},         {"aspirin c", 4},     {"ASPIRIN CA", 6},      {"aspirin cx", -1},
      {"ПАРАЦЕТАМ", 2}, {"парацетамол 2", 3}, {"парацетамол 100", 5}, {"парацетамол 1000", -1},
      {"ёЖ", 7}};
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.prefix);
    EXPECT_EQ(c.row, ds_.FindVisiblePrefix(name, Utf8ToCp1251(c.prefix)));
  }
  // Under a filter the first row it shows counts, whatever the rows before.
  ApplyFilter(ds_, kOrderFilter);  // records 1, 3, 5, 9
  EXPECT_EQ(1, ds_.FindVisiblePrefix(name, Utf8ToCp1251("пАрАцЕтАмОл")));
  EXPECT_EQ(-1, ds_.FindVisiblePrefix(name, Utf8ToCp1251("парацетамол 2")));
  EXPECT_EQ(2, ds_.FindVisiblePrefix(name, Utf8ToCp1251("aspirin")));
}

TEST_P(KeptStateTest, TheRowBeingEditedCountsWithItsUnpostedValues) {
  ExpectAsFresh();
  ds_.SetRecNo(2);  // analgin, no quantity
  ds_.Edit();
  fields_.quant->SetAsInteger(4);
  fields_.name->SetAsString("Zz unposted");
  const int32_t name = 0, quant = 2, summa = 3;
  EXPECT_THAT(ds_.SumVisible({quant, summa}), ::testing::ElementsAre(140000, 1750000));
  EXPECT_EQ(1, ds_.FindVisiblePrefix(name, "zz UNP"));
  EXPECT_EQ(-1, ds_.FindVisiblePrefix(name, "analgin"));
  ds_.Cancel();
  EXPECT_THAT(ds_.SumVisible({quant, summa}), ::testing::ElementsAre(100000, 1250000));
  EXPECT_EQ(1, ds_.FindVisiblePrefix(name, "analgin"));
}

TEST_P(KeptStateTest, TheOrderViewAndItsClearingReadOnlyTheOrderedRecords) {
  ds_.VisibleRows();  // the opening's pass, which also builds the order filter's set
  TDataSetTable& table = *ds_.Table();
  EXPECT_TRUE(table.HasKeptSet(kOrderFilter, false, true));
  const int64_t reads = table.RecordReads();
  ApplyFilter(ds_, kOrderFilter);
  EXPECT_EQ(4, ds_.VisibleRows().Count());
  // The ordered records and the window's, not the ten of a scan.
  EXPECT_LE(table.RecordReads() - reads, 4 + 3);

  const std::string before = zakaz::testing::ReadFile(path_);
  EXPECT_EQ(4, ds_.ZeroOnVisibleRows(*fields_.quant));
  const std::string after = zakaz::testing::ReadFile(path_);
  ASSERT_EQ(before.size(), after.size());
  // Only the ordered records (1, 3, 5, 9) and the header changed.
  const TDataSetTable& layout = *ds_.Table();
  std::vector<int32_t> changed;
  for (int32_t n = 1; n <= layout.RecordCount(); ++n) {
    const size_t at = static_cast<size_t>(layout.HeaderLength()) +
                      static_cast<size_t>(n - 1) * static_cast<size_t>(layout.RecordLength());
    if (before.compare(at, static_cast<size_t>(layout.RecordLength()), after, at,
                       static_cast<size_t>(layout.RecordLength())) != 0)
      changed.push_back(n);
  }
  EXPECT_THAT(changed, ::testing::ElementsAre(1, 3, 5, 9));
  EXPECT_TRUE(ds_.Eof() || ds_.IsEmpty());
  ApplyFilter(ds_, "");
  EXPECT_EQ(1, ds_.RecNo());
}

TEST_P(KeptStateTest, ClearingARowThatCannotBeWrittenStopsThereAndKeepsTheRest) {
  ds_.SetReadOnly(true);
  ApplyFilter(ds_, kOrderFilter);
  EXPECT_THAT([&] { ds_.ZeroOnVisibleRows(*fields_.quant); },
              ::testing::ThrowsMessage<EDatabaseError>(
                  ::testing::StrEq("PriceTable: Cannot modify a read-only dataset")));
  ds_.SetReadOnly(false);
  EXPECT_EQ(4, ds_.VisibleRows().Count());
}

INSTANTIATE_TEST_SUITE_P(Openings, KeptStateTest, ::testing::Bool(),
                         [](const ::testing::TestParamInfo<bool>& info) {
                           return info.param ? "Exclusive" : "Shared";
                         });

}  // namespace
}  // namespace zakaz::dbf
