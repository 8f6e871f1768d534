// dbftool dump FILE [--OPTION VALUE ...]: every record, deleted ones marked.
#include <ostream>

#include "commands.h"
#include "dbf/table/code_page.h"
#include "dbf/table/dbf_columns.h"

namespace zakaz::dbftool {

void PrintColumnNames(dbf::TDbfColumns& table, std::ostream& out) {
  out << "Rec Del";
  for (const dbf::TDbfDescriptor& d : table.Descriptors()) out << " | " << d.name;
  out << "\n";
}

void PrintRecord(dbf::TDbfColumns& table, std::ostream& out) {
  thread_local std::string value;
  out << table.CurrentRecord() << (table.CurrentDeleted() ? " *" : "  ");
  for (int n = 1; n <= table.FieldCount(); ++n) {
    table.GetString(n, &value);
    out << " | " << Cp866ToUtf8(value);
  }
  out << "\n";
}

int RunDump(const Args& args, std::ostream& out, std::ostream& err) {
  if (args.empty() || args.size() % 2 == 0) {
    err << "usage: dbftool dump FILE";
    for (const DumpOption& o : DumpOptions()) err << " [" << o.name << " VALUE]";
    err << "\n";
    return 2;
  }
  dbf::TDbfColumns table(args[0], false, false);
  std::vector<RecordFilter> filters;
  for (size_t i = 1; i < args.size(); i += 2) {
    const DumpOption* option = nullptr;
    for (const DumpOption& o : DumpOptions()) {
      if (o.name == args[i]) option = &o;
    }
    if (option == nullptr) {
      err << "unknown option: " << args[i] << "\n";
      return 2;
    }
    filters.push_back(option->make(table, args[i + 1]));
  }
  PrintColumnNames(table, out);
  for (int n = 1; n <= table.RecordCount() && out; ++n) {
    table.GotoRecord(n);
    bool shown = true;
    for (const RecordFilter& f : filters) shown = shown && f(table);
    if (shown) PrintRecord(table, out);
  }
  return 0;
}

}  // namespace zakaz::dbftool
