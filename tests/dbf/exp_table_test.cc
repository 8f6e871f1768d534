// Expressions evaluated against a real table: the two filters the system
// uses, columns by name and by alias, the column types, and the table's own
// functions.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "dbf/base/errors.h"
#include "dbf/expr/exp_functions.h"
#include "dbf/expr/exp_handler.h"
#include "dbf/expr/exp_nodes.h"
#include "dbf/table/dbf_columns.h"
#include "dbf/table/exp_dbf_link.h"
#include "exp_test_util.h"
#include "support/temp_dir.h"
#include "table_bytes.h"

namespace zakaz::dbf {
namespace {

using testing::Col;
using ::testing::ElementsAre;
using testing::Left;
using testing::Right;
using ::testing::StrEq;
using ::testing::ThrowsMessage;

struct Row {
  std::string name;
  std::string price;
  std::string quant;
  std::string kol;
  std::string srok;
  std::string flag;
  bool deleted = false;
};

// price.dbf: NAME C(20), PRICE N(10,2), QUANT N(5,0), KOL N(8,0), SROK D,
// FLAG L. The alias PRICE is also a column name, as on the real price list.
class ExpTableTest : public ::testing::Test {
 protected:
  void Open(const std::vector<Row>& rows) {
    std::vector<std::string> records;
    for (const Row& r : rows) {
      records.push_back(std::string(r.deleted ? "*" : " ") + Left(r.name, 20) + Right(r.price, 10) +
                        Right(r.quant, 5) + Right(r.kol, 8) + Left(r.srok, 8) + Left(r.flag, 1));
    }
    handler_.reset();
    table_.reset();
    const std::string path = dir_.File("price.dbf");
    testing::WriteFile(path, testing::TableBytes({{"NAME", 'C', 20},
                                                  {"PRICE", 'N', 10, 2},
                                                  {"QUANT", 'N', 5},
                                                  {"KOL", 'N', 8},
                                                  {"SROK", 'D', 8},
                                                  {"FLAG", 'L', 1}},
                                                 records));
    table_ = std::make_unique<TDbfColumns>(path, false, false);
    handler_ = std::make_unique<TExpHandler>(std::make_unique<TExpDbfLink>(*table_));
  }

  void OpenStandard() {
    Open({{"abc", "5.00", "1", "10", "20260105", "T"},
          {"xabcx", "15.00", "1.5", "1", "20250105", "F"},
          {"ABC", "20.00", "", "6", "", "T"},
          {"ab c", "1.00", "0", "0", "", "F"},
          {"zzz", "12.00", "-1", "7", "", "?"}});
  }

  // The expression's result for every record, as ".T."/".F." or a value.
  std::vector<std::string> Results(const std::string& text) {
    handler_->Compile(text);
    std::vector<std::string> results;
    for (int n = 1; n <= table_->RecordCount(); ++n) {
      table_->GotoRecord(n);
      results.push_back(testing::Show(handler_->Evaluate()));
    }
    return results;
  }

  zakaz::testing::TempDir dir_;
  std::unique_ptr<TDbfColumns> table_;
  std::unique_ptr<TExpHandler> handler_;
};

TEST_F(ExpTableTest, QuantityFilterMatchesPositiveQuantities) {
  OpenStandard();
  EXPECT_THAT(Results("QUANT>0"), ElementsAre(".T.", ".T.", ".F.", ".F.", ".F."));
  EXPECT_EQ("[> QUANT 0]", handler_->TreeText());
  EXPECT_EQ(2, handler_->OperandCount());
  EXPECT_EQ(TExpValueType::kBoolean, handler_->ResultType());
  for (const char* same : {"quant > 0", "price.QUANT > 0", "Price->quant>0", "QUANT GT 0"}) {
    SCOPED_TRACE(same);
    EXPECT_THAT(Results(same), ElementsAre(".T.", ".T.", ".F.", ".F.", ".F."));
  }
  EXPECT_THAT(Results(".NOT. QUANT > 0"), ElementsAre(".F.", ".F.", ".T.", ".T.", ".T."));
}

TEST_F(ExpTableTest, NamePatternFindsTheTextInsideTheName) {
  OpenStandard();
  EXPECT_THAT(Results("Name = '*abc*'"), ElementsAre(".T.", ".T.", ".F.", ".F.", ".F."));
  EXPECT_EQ("[= Name '*abc*']", handler_->TreeText());
  EXPECT_THAT(Results("Name = 'abc'"), ElementsAre(".T.", ".F.", ".F.", ".F.", ".F."));
  EXPECT_THAT(Results("Name = 'abc*'"), ElementsAre(".T.", ".T.", ".F.", ".F.", ".F."));
  EXPECT_THAT(Results("Name = '*'"), ElementsAre(".T.", ".T.", ".T.", ".T.", ".T."));
  EXPECT_THAT(Results("Name = '**'"), ElementsAre(".T.", ".T.", ".T.", ".T.", ".T."));
  EXPECT_THAT(Results("Name = ''"), ElementsAre(".F.", ".F.", ".F.", ".F.", ".F."));
  EXPECT_THAT(Results("Name = '*b c*'"), ElementsAre(".F.", ".F.", ".F.", ".T.", ".F."));
  EXPECT_THAT(Results("'abc' $ Name"), ElementsAre(".T.", ".T.", ".F.", ".F.", ".F."));
  // The stored name keeps its trailing blanks for "$".
  EXPECT_THAT(Results("Name $ 'abc'"), ElementsAre(".F.", ".F.", ".F.", ".F.", ".F."));
  EXPECT_THAT(Results("Name $ 'abc' + SPACE(17) + 'x'"),
              ElementsAre(".T.", ".F.", ".F.", ".F.", ".F."));

  handler_->SetPartialCompare(false);
  EXPECT_THAT(Results("Name = '*abc*'"), ElementsAre(".F.", ".F.", ".F.", ".F.", ".F."));
  handler_->SetPartialCompare(true);
  handler_->SetCaseInsensitive(true);
  EXPECT_THAT(Results("Name = '*abc*'"), ElementsAre(".T.", ".T.", ".T.", ".F.", ".F."));
}

TEST_F(ExpTableTest, ReadsEveryColumnTypeFromTheRecordBuffer) {
  OpenStandard();
  EXPECT_THAT(Results("NAME"), ElementsAre("'abc                 '", "'xabcx               '",
                                           "'ABC                 '", "'ab c                '",
                                           "'zzz                 '"));
  EXPECT_THAT(Results("PRICE"), ElementsAre("5", "15", "20", "1", "12"));
  EXPECT_THAT(Results("SROK"),
              ElementsAre("{20260105}", "{20250105}", "{        }", "{        }", "{        }"));
  EXPECT_THAT(Results("FLAG"), ElementsAre(".T.", ".F.", ".T.", ".F.", ".F."));
  EXPECT_THAT(Results("SROK > {01.01.2026}"), ElementsAre(".T.", ".F.", ".F.", ".F.", ".F."));
  EXPECT_THAT(Results("FLAG .AND. QUANT > 0"), ElementsAre(".T.", ".F.", ".F.", ".F.", ".F."));
  EXPECT_THAT(Results("PRICE.PRICE * 2 > 20"), ElementsAre(".F.", ".T.", ".T.", ".F.", ".T."));
  EXPECT_THAT(Results("PRICE * QUANT"), ElementsAre("5", "22.5", "0", "0", "-12"));
}

TEST_F(ExpTableTest, CombinesFiltersByPriorityAndNotPlacement) {
  OpenStandard();
  // QUANT > 0 and ((not PRICE > 10) or KOL > 5).
  EXPECT_THAT(Results("QUANT > 0 .AND. .NOT. PRICE > 10 .OR. KOL > 5"),
              ElementsAre(".T.", ".F.", ".F.", ".F.", ".F."));
  // (not PRICE > 10) or (KOL > 5 and QUANT > 0).
  EXPECT_THAT(Results(".NOT. PRICE > 10 .OR. KOL > 5 .AND. QUANT > 0"),
              ElementsAre(".T.", ".F.", ".F.", ".T.", ".F."));
}

TEST_F(ExpTableTest, TableFunctionsSeeTheCursor) {
  OpenStandard();
  EXPECT_THAT(Results("RECNO()"),
              ElementsAre("1:Integer", "2:Integer", "3:Integer", "4:Integer", "5:Integer"));
  EXPECT_THAT(Results("recno() = 2 .OR. DELETED()"),
              ElementsAre(".F.", ".T.", ".F.", ".F.", ".F."));
  EXPECT_THAT(Results("BOF() .OR. EOF()"), ElementsAre(".F.", ".F.", ".F.", ".F.", ".F."));
  handler_->Compile("TYPE('quant') + TYPE('NAME') + TYPE('SROK') + TYPE('nope')");
  EXPECT_EQ("'NCDU'", testing::Show(handler_->Evaluate()));
  handler_->Compile("FIELDNO(' Kol ')");
  EXPECT_EQ("4:Integer", testing::Show(handler_->Evaluate()));
  // LEN is the global function even with a table: the length of the text.
  handler_->Compile("LEN('NAME')");
  EXPECT_EQ("4:Integer", testing::Show(handler_->Evaluate()));
  handler_->Compile("LEN(NAME)");
  EXPECT_EQ("20:Integer", testing::Show(handler_->Evaluate()));
  // A bare table function name is looked up as a column.
  EXPECT_THAT([&] { handler_->Compile("RECNO > 0"); },
              ThrowsMessage<EExpressionError>(StrEq("There is no function for RECNO")));

  Open({{"a", "1", "1", "1", "", "T", true}});
  EXPECT_THAT(Results("DELETED()"), ElementsAre(".T."));
}

// The table's LEN is only reachable past the global one, through its registry.
TEST_F(ExpTableTest, TableLenGivesTheColumnWidth) {
  OpenStandard();
  TExpDbfLink link(*table_);
  const TExpFunctionDef* len = TableFunctions().Find("len");
  ASSERT_NE(nullptr, len);
  for (const auto& [column, width] :
       {std::pair{"name", "20:Integer"}, {"PRICE", "10:Integer"}, {"nope", "0:Integer"}}) {
    SCOPED_TRACE(column);
    std::vector<TExpNodePtr> args;
    args.push_back(std::make_unique<TExpTextLit>(column));
    TExpFunction call(*len, &link, std::move(args));
    EXPECT_EQ(width, testing::Show(call.Evaluate()));
  }
}

TEST_F(ExpTableTest, ReportsNamesAndMismatchesAgainstTheTable) {
  OpenStandard();
  table_->GotoRecord(1);
  struct Case {
    const char* text;
    const char* message;
  };
  constexpr Case kCompile[] = {
      {"QUANT >", "Syntax Error in expression \"QUANT >\""},
      {"NOSUCH > 0", "There is no function for NOSUCH"},
      {"stock.QUANT > 0", "There is no function for stock.QUANT"},
      // PRICE is a column too, so without a qualified column the name ends there.
      {"price.NOSUCH > 0", "Syntax Error in expression \"price.NOSUCH > 0\""},
      {"other->QUANT > 0", "There is no function for other->QUANT"},
      {"Name = '*O'Brien*'", "Syntax Error in expression \"Name = '*O'Brien*'\""},
  };
  for (const Case& c : kCompile) {
    SCOPED_TRACE(c.text);
    EXPECT_THAT([&] { handler_->Compile(c.text); },
                ThrowsMessage<EExpressionError>(StrEq(c.message)));
  }
  handler_->Compile("QUANT > 'x'");
  EXPECT_THAT([&] { handler_->Evaluate(); },
              ThrowsMessage<EExpressionError>(StrEq("The two sides of an operation do not match")));
  // A column alone compiles; it is just not a boolean.
  handler_->Compile("QUANT");
  handler_->Evaluate();
  EXPECT_EQ(TExpValueType::kNumber, handler_->ResultType());
}

TEST_F(ExpTableTest, ANumberColumnThatIsNoNumberFailsWithTheEngineMessage) {
  Open({{"a", "1", "  1,5", "1", "", "T"}});
  table_->GotoRecord(1);
  handler_->Compile("QUANT>0");
  EXPECT_THAT(
      [&] { handler_->Evaluate(); },
      ThrowsMessage<ETableError>(StrEq("Invalid numeric value in field price->QUANT (  1,5)")));
  EXPECT_TRUE(handler_->HasExpression());
}

// Names as the parser hands them over (upper-cased), on t.dbf whose columns
// repeat a name, carry trailing blanks and lower-case letters, and are named
// like another column's qualified name: the first column a name or a
// qualified name fits wins, a column's plain name before its qualified one.
TEST(ExpDbfLink, FindsTheFirstColumnByNameOrQualifiedName) {
  zakaz::testing::TempDir dir;
  const std::string path = dir.File("t.dbf");
  testing::WriteFile(path, testing::TableBytes({{"T.B", 'C', 1},
                                                {"B", 'C', 1},
                                                {"a  ", 'C', 1},
                                                {"T.A", 'C', 1},
                                                {"B", 'C', 1},
                                                {"T", 'C', 1}},
                                               {" abcdef"}));
  TDbfColumns table(path, false, false);
  const TExpDbfLink link(table);
  const struct {
    std::string_view name;
    int column;
  } cases[] = {{"T.B", 1}, {"B", 2},     {"A", 3},  {"T.A", 3}, {"T.T.A", 4},
               {"T", 6},   {"T.T", 6},   {"T.", 0}, {"a", 0},   {"C", 0},
               {"X.A", 0}, {"T.T.B", 1}, {"", 0},   {"TA", 0},  {"T.B ", 0}};
  for (const auto& c : cases) EXPECT_EQ(c.column, link.FindColumn(c.name)) << c.name;
}

}  // namespace
}  // namespace zakaz::dbf
