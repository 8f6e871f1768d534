// dbftool count FILE EXPR: how many live records satisfy a filter expression.
#include "cmd_count.h"

#include <memory>
#include <ostream>

#include "dbf/base/errors.h"
#include "dbf/expr/exp_handler.h"
#include "dbf/expr/expression_messages.h"
#include "dbf/table/code_page.h"
#include "dbf/table/dbf_columns.h"
#include "dbf/table/dbf_cursor.h"
#include "dbf/table/exp_dbf_link.h"

namespace zakaz::dbftool {
namespace {

// Compiles the expression as a dataset's filter does: translated to the
// stored code page, then evaluated once on the record buffer as it stands,
// where a result that is not boolean rejects the text.
std::shared_ptr<dbf::TExpHandler> CompileFilter(dbf::TDbfColumns& table, const std::string& text) {
  auto handler = std::make_shared<dbf::TExpHandler>(std::make_unique<dbf::TExpDbfLink>(table));
  handler->Compile(dbf::ToOem(Utf8ToCp1251(text)));
  handler->Evaluate();
  if (handler->ResultType() != dbf::TExpValueType::kBoolean) {
    throw dbf::ETableError(dbf::kExpNotBoolean);
  }
  return handler;
}

bool Accepts(dbf::TDbfColumns& table, dbf::TExpHandler& handler) {
  if (table.CurrentDeleted()) return false;
  const dbf::TExpValue value = handler.Evaluate();
  return value.kind == dbf::TExpValueKind::kBoolean && value.boolean;
}

}  // namespace

int RunCount(const Args& args, std::ostream& out, std::ostream& err) {
  if (args.size() != 2) {
    err << "usage: dbftool count FILE EXPR\n";
    return 2;
  }
  dbf::TDbfCursor table(args[0], false, false);
  const auto handler = CompileFilter(table, args[1]);
  out << CountMatches(table, *handler) << "\n";
  return 0;
}

long CountMatches(dbf::TDbfCursor& table, dbf::TExpHandler& handler) {
  // Record by record, but through the read-ahead block, as a dataset walks:
  // one system call per block instead of one per record.
  dbf::TReadAheadScope read_ahead(table);
  long matches = 0;
  for (int n = 1; n <= table.RecordCount(); ++n) {
    table.GotoRecord(n);
    if (Accepts(table, handler)) ++matches;
  }
  return matches;
}

RecordFilter MakeWhereFilter(dbf::TDbfColumns& table, const std::string& text) {
  auto handler = CompileFilter(table, text);
  return [handler](dbf::TDbfColumns& t) { return Accepts(t, *handler); };
}

}  // namespace zakaz::dbftool
