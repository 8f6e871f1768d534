#include "cmd_copy.h"

#include <ostream>

#include "dbf/dataset/table_dataset.h"
#include "dbf/table/code_page.h"

namespace zakaz::dbftool {

int RunCopy(const Args& args, std::ostream& out, std::ostream& err) {
  if (args.size() != 2 && !(args.size() == 4 && args[2] == "--where")) {
    err << "usage: dbftool copy SRC DST [--where EXPR]\n";
    return 2;
  }
  dbf::TTableDataSet source("Source");
  source.SetTableName(args[0]);
  source.SetExclusive(true);
  source.SetReadOnly(true);
  if (args.size() == 4) {
    // The dataset takes filter text in the program's code page.
    source.SetFilter(Utf8ToCp1251(args[3]));
    source.SetFiltered(true);
  }
  source.Open();
  source.CopyStructure(args[1]);
  dbf::TTableDataSet destination("Destination");
  destination.SetTableName(args[1]);
  destination.SetExclusive(true);
  destination.Open();
  long copied = 0;
  for (source.First(); !source.Eof(); source.Next()) {
    source.CopyRecordTo(destination);
    ++copied;
  }
  destination.Close();
  out << copied << "\n";
  return 0;
}

}  // namespace zakaz::dbftool
