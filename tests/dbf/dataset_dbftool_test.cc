// dbftool copy, run as the program: the walk that saves an order.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdio>

#include "dataset_test_util.h"
#include "dbf/table/code_page.h"
#include "dbf/table/dbf_columns.h"
#include "support/run_command.h"
#include "support/temp_dir.h"

namespace zakaz::dbf {
namespace {

using TResult = zakaz::testing::CommandResult;

TResult Tool(const std::string& arguments) {
  return zakaz::testing::RunCommand(std::string(DBFTOOL_PATH) + " " + arguments + " 2>&1");
}

TEST(DbftoolCopy, CopiesTheRecordsTheFilterShows) {
  zakaz::testing::TempDir dir;
  std::vector<testing::TRow> rows = testing::RowsMatching(5, {2, 4});
  rows[3].name = Utf8ToCp866("Аспирин");
  testing::WriteTable(dir.File("price.DBF"), rows);
  const TResult r =
      Tool("copy " + dir.File("price.DBF") + " " + dir.File("order") + " --where 'QUANT>0'");
  ASSERT_EQ(0, r.status) << r.out;
  EXPECT_EQ("2\n", r.out);
  TDbfColumns order(dir.File("order.DBF"), false, false);
  ASSERT_EQ(2, order.RecordCount());
  order.GotoRecord(2);
  EXPECT_EQ(Utf8ToCp866("Аспирин"), order.GetString(1));

  const TResult named = Tool("copy " + dir.File("price.DBF") + " " + dir.File("named") +
                             " --where \"Name = '*Аспирин*'\"");
  EXPECT_EQ(0, named.status);
  EXPECT_EQ("1\n", named.out);
  const TResult all = Tool("copy " + dir.File("price.DBF") + " " + dir.File("all"));
  EXPECT_EQ("5\n", all.out);
}

TEST(DbftoolCopy, ReportsFailures) {
  zakaz::testing::TempDir dir;
  testing::WriteTable(dir.File("price.DBF"), testing::RowsMatching(2, {}));
  const TResult bad =
      Tool("copy " + dir.File("price.DBF") + " " + dir.File("o") + " --where 'QUANT >'");
  EXPECT_EQ(1, bad.status);
  EXPECT_EQ("Syntax Error in expression \"QUANT >\"\n", bad.out);
  const TResult missing = Tool("copy " + dir.File("none.DBF") + " " + dir.File("o"));
  EXPECT_EQ(1, missing.status);
  EXPECT_EQ("Cannot find file " + dir.File("none.DBF") + "\n", missing.out);
  EXPECT_EQ(2, Tool("copy only-one").status);
}

}  // namespace
}  // namespace zakaz::dbf
