// dbftool count FILE EXPR and the dump option --where EXPR: the filter
// expression language on the command line. The expression arrives in UTF-8
// and is turned into the stored code page the way a dataset turns its filter
// text (UTF-8 to Windows-1251, then through the ANSI-to-OEM table), so a
// Cyrillic pattern matches the stored names.
#pragma once

#include <iosfwd>
#include <string>

#include "commands.h"

namespace zakaz::dbf {
class TDbfCursor;
class TExpHandler;
}  // namespace zakaz::dbf

namespace zakaz::dbftool {

int RunCount(const Args& args, std::ostream& out, std::ostream& err);

// The live records of `table` that the compiled boolean `handler` accepts,
// read through the table's read-ahead block (its setting is put back).
long CountMatches(dbf::TDbfCursor& table, dbf::TExpHandler& handler);

// For "dump --where EXPR": shows the live records the expression accepts.
RecordFilter MakeWhereFilter(dbf::TDbfColumns& table, const std::string& text);

}  // namespace zakaz::dbftool
