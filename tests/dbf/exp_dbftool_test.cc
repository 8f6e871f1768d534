// dbftool count and dump --where: the filter language from the command line,
// with the expression given in UTF-8 as a user types it.
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdio>
#include <string>

#include "cmd_count.h"
#include "dbf/expr/exp_handler.h"
#include "dbf/table/code_page.h"
#include "dbf/table/dbf_columns.h"
#include "dbf/table/dbf_cursor.h"
#include "dbf/table/exp_dbf_link.h"
#include "sample_price_list.h"
#include "support/run_command.h"
#include "support/temp_dir.h"

namespace zakaz::dbf {
namespace {

// Standard output and standard error together, and the exit code.
struct ToolResult {
  std::string output;
  int exit_code = -1;
};

std::string Quote(const std::string& text) {
  std::string quoted = "'";
  for (char c : text) {
    if (c == '\'')
      quoted += "'\\''";
    else
      quoted += c;
  }
  return quoted + "'";
}

ToolResult RunTool(const std::string& arguments) {
  const zakaz::testing::CommandResult result =
      zakaz::testing::RunCommand(std::string(DBFTOOL_PATH) + " " + arguments + " 2>&1");
  return {result.out, result.status};
}

class ExpDbftoolTest : public ::testing::Test {
 protected:
  void SetUp() override {
    path_ = dir_.File("price.dbf");
    TSampleOptions options;
    options.rows = 300;
    options.seed = 7;
    WriteSamplePriceList(path_, options);
    // Order quantities on three live records and on one that is then deleted.
    TDbfColumns table(path_, false, true);
    int ordered = 0;
    for (int n = 1; n <= table.RecordCount() && ordered < 4; ++n) {
      table.GotoRecord(n);
      if (table.CurrentDeleted()) continue;
      table.PutNumber("QUANT", 2);
      table.WriteRecord(n);
      if (++ordered == 4)
        table.DeleteRecord();
      else
        live_ordered_.push_back(n);
    }
  }

  // Live records whose name (in UTF-8) contains `part`, counted directly.
  int CountNamesContaining(const std::string& part) {
    TDbfColumns table(path_, false, false);
    int count = 0;
    for (int n = 1; n <= table.RecordCount(); ++n) {
      table.GotoRecord(n);
      if (!table.CurrentDeleted() &&
          Cp866ToUtf8(table.GetText(1)).find(part) != std::string::npos) {
        ++count;
      }
    }
    return count;
  }

  zakaz::testing::TempDir dir_;
  std::string path_;
  std::vector<int> live_ordered_;
};

TEST_F(ExpDbftoolTest, CountsLiveRecordsThatMatch) {
  const ToolResult quant = RunTool("count " + path_ + " " + Quote("QUANT>0"));
  EXPECT_EQ(0, quant.exit_code);
  EXPECT_EQ("3\n", quant.output);

  for (const std::string part : {"Аспирин", "табл.", "мг"}) {
    SCOPED_TRACE(part);
    const int expected = CountNamesContaining(part);
    const ToolResult name = RunTool("count " + path_ + " " + Quote("Name = '*" + part + "*'"));
    EXPECT_EQ(0, name.exit_code);
    EXPECT_EQ(std::to_string(expected) + "\n", name.output);
  }
}

// The count walks through the read-ahead block: a handful of platform reads
// for the 300 records, not one each, and the cursor's setting is put back.
TEST_F(ExpDbftoolTest, CountReadsThroughTheReadAheadBlock) {
  TDbfCursor table(path_, false, false);
  TExpHandler handler(std::make_unique<TExpDbfLink>(table));
  handler.Compile("QUANT>0");
  const int64_t reads_before = table.PlatformReads();
  EXPECT_EQ(3, dbftool::CountMatches(table, handler));
  const int64_t data_bytes = int64_t{table.RecordCount()} * table.RecordLength();
  EXPECT_LE(table.PlatformReads() - reads_before, data_bytes / table.BlockSize() + 2);
  EXPECT_EQ(table.RecordCount(), table.RecordReads());
  EXPECT_FALSE(table.ReadAhead());
}

TEST_F(ExpDbftoolTest, DumpWhereShowsOnlyTheMatchingRecords) {
  const ToolResult dump = RunTool("dump " + path_ + " --where " + Quote("QUANT > 0"));
  EXPECT_EQ(0, dump.exit_code);
  std::vector<int> shown;
  size_t line = dump.output.find('\n');  // past the column names
  while (line != std::string::npos && line + 1 < dump.output.size()) {
    shown.push_back(std::stoi(dump.output.substr(line + 1)));
    line = dump.output.find('\n', line + 1);
  }
  EXPECT_EQ(live_ordered_, shown);
}

TEST_F(ExpDbftoolTest, ReportsRejectedExpressions) {
  struct Case {
    const char* expression;
    const char* output;
  };
  constexpr Case kCases[] = {
      {"QUANT", "Filter expression must return boolean result\n"},
      {"QUANT >", "Syntax Error in expression \"QUANT >\"\n"},
      {"QUANT > 'x'", "The two sides of an operation do not match\n"},
      {"NOSUCH = 1", "There is no function for NOSUCH\n"},
  };
  for (const Case& c : kCases) {
    SCOPED_TRACE(c.expression);
    const ToolResult result = RunTool("count " + path_ + " " + Quote(c.expression));
    EXPECT_EQ(1, result.exit_code);
    EXPECT_EQ(c.output, result.output);
  }
}

}  // namespace
}  // namespace zakaz::dbf
