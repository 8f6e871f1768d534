// Opens arbitrary bytes as a table and reads every record and every column
// through every getter, walking the table both ways. A damaged table may
// fail with ETableError at any step; it must never crash, hang or read
// outside the record.
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "dbf/table/dbf_columns.h"
#include "dbf/base/errors.h"

namespace {

std::string TablePath() {
  static const std::string path = [] {
    char pattern[] = "/tmp/dbf-table-fuzz-XXXXXX";
    const char* dir = ::mkdtemp(pattern);
    if (dir == nullptr) std::abort();
    return std::string(dir) + "/t.dbf";
  }();
  return path;
}

void WriteAll(const std::string& path, const uint8_t* data, size_t size) {
  FILE* file = std::fopen(path.c_str(), "wb");
  if (file == nullptr) std::abort();
  if (size > 0 && std::fwrite(data, 1, size, file) != size) std::abort();
  std::fclose(file);
}

template <typename F>
void Try(F&& f) {
  try {
    f();
  } catch (const zakaz::dbf::ETableError&) {
  }
}

// By number always; by name (a lookup per column) only when asked, to keep
// long tables quick.
void ReadColumns(zakaz::dbf::TDbfColumns& table, bool by_name) {
  std::string text;
  for (int n = 0; n <= table.FieldCount() + 1; ++n) {
    (void)table.GetText(n);
    (void)table.GetTextView(n);
    table.GetString(n, &text);
    Try([&] { (void)table.GetNumber(n); });
    (void)table.GetLogical(n);
    Try([&] { (void)table.GetDate(n); });
    (void)table.FieldName(n);
    (void)table.FieldType(n);
  }
  if (!by_name) return;
  for (const auto& d : table.Descriptors()) {
    Try([&] { (void)table.GetString(d.name); });
    Try([&] { (void)table.GetNumber(d.name); });
    Try([&] { (void)table.GetDate(d.name); });
    Try([&] { (void)table.GetLogical(d.name); });
    (void)table.FieldNumber(d.name);
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string path = TablePath();
  WriteAll(path, data, size);
  try {
    zakaz::dbf::TDbfColumns table(path, false, false);
    for (int n = 1; n <= table.RecordCount(); ++n) {
      table.GotoRecord(n);
      ReadColumns(table, n == 1);
    }
    // The relative moves, both ways, and the edges.
    table.GotoRecord(zakaz::dbf::kGotoFirst);
    while (!table.AtEOF() && table.RecordCount() > 0) table.GotoRecord(zakaz::dbf::kGotoNext);
    table.GotoRecord(zakaz::dbf::kGotoLast);
    while (!table.AtBOF()) table.GotoRecord(zakaz::dbf::kGotoPrior);
    Try([&] { table.GotoRecord(table.RecordCount() + 2); });
    // Puts stay in the buffer: nothing is written to a read-only table.
    table.BlankRecord();
    ReadColumns(table, true);
    std::string text;
    for (int n = 1; n <= table.FieldCount(); ++n) {
      table.GetString(n, &text);
      Try([&] { table.PutString(n, text); });
      Try([&] { table.PutNumber(n, -12.5); });
      table.PutText(n, "abc");
    }
    ReadColumns(table, true);
  } catch (const zakaz::dbf::ETableError&) {
  }
  return 0;
}
