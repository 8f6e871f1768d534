// The commands of dbftool, the table inspector support staff and tests use.
// main.cc lists them in one table; each command lives in its own file
// (cmd_<name>.cc) and is added with one line there and one in CMakeLists.txt.
//
// A command gets its arguments (without the program and command names) and
// the two output streams; it returns the process exit code. Engine failures
// are caught once, in main, which prints the message and exits with 1.
#pragma once

#include <functional>
#include <iosfwd>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace zakaz::dbf {
class TDbfColumns;
}

namespace zakaz::dbftool {

using Args = std::vector<std::string>;
using CommandFunction = int (*)(const Args& args, std::ostream& out, std::ostream& err);

struct Command {
  std::string_view name;
  std::string_view usage;  // shown by "dbftool" without arguments
  CommandFunction run;
};

// Decides whether `dump` shows the record now in the table's buffer.
using RecordFilter = std::function<bool(dbf::TDbfColumns& table)>;

// An option "dump FILE --NAME VALUE" that narrows the records dump shows.
// `make` is called once the table is open; it may throw to report a bad
// value.
struct DumpOption {
  std::string_view name;  // with the dashes: "--where"
  RecordFilter (*make)(dbf::TDbfColumns& table, const std::string& value);
};

// The tables in main.cc.
std::span<const Command> Commands();
std::span<const DumpOption> DumpOptions();

// One record as dump prints it: the record number, "*" for a deleted record
// (a blank otherwise), then every column's value text separated by " | ",
// text converted from CP866 to UTF-8. Ends with a newline.
void PrintRecord(dbf::TDbfColumns& table, std::ostream& out);
// The header line dump prints before the records: the column names.
void PrintColumnNames(dbf::TDbfColumns& table, std::ostream& out);

int RunInfo(const Args& args, std::ostream& out, std::ostream& err);
int RunDump(const Args& args, std::ostream& out, std::ostream& err);
int RunSample(const Args& args, std::ostream& out, std::ostream& err);

}  // namespace zakaz::dbftool
