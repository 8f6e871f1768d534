// Opens arbitrary bytes as a table and reads the first kRecords records and
// every column through the getters, walking the table both ways. The first
// record goes through every getter, by number and by name; the others through
// those that fit the column's type. The getters of the wrong type run on the
// first column of each type only: by name they refuse on the type alone, and
// by number they parse the bytes with the same code a damaged column of the
// fitting type reaches, so one column per type reaches every path without a
// throw per column (under the sanitizers a throw costs more than reading a
// whole record). Memo and picture block numbers are read on every record. A
// damaged table may
// fail with ETableError at any step; it must never crash, hang or read
// outside the record. The table lives in a memory-backed file system.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "dbf/base/errors.h"
#include "dbf/table/dbf_columns.h"
#include "dbf/table/memory_file_system.h"

namespace {

template <typename F>
void Try(F&& f) {
  try {
    f();
  } catch (const zakaz::dbf::ETableError&) {
  }
}

constexpr int kRecords = 8;

// The types GetNumber reads by number: text numbers, binary numbers, block
// numbers. By name the getters take fewer types and refuse the others.
constexpr std::string_view kNumberTypes = "NFIBYTMG";
constexpr std::string_view kNumberTypesByName = "NFBGIM";

bool Fits(char type, std::string_view types) { return types.find(type) != std::string_view::npos; }

// Whether `n` is the first column of its type.
bool FirstOfType(zakaz::dbf::TDbfColumns& table, int n) {
  const char type = table.FieldType(n);
  for (int k = 1; k < n; ++k) {
    if (table.FieldType(k) == type) return false;
  }
  return true;
}

// Every column by number (and the numbers just outside) through the getters
// that fit its type; with `everything` the first column of each type through
// all of them.
void ReadColumnsByNumber(zakaz::dbf::TDbfColumns& table, bool everything = false) {
  std::string text;
  for (int n = 0; n <= table.FieldCount() + 1; ++n) {
    const char type = table.FieldType(n);
    const bool wrong_too = everything && FirstOfType(table, n);
    (void)table.GetText(n);
    (void)table.GetTextView(n);
    table.GetString(n, &text);
    if (wrong_too || Fits(type, kNumberTypes)) Try([&] { (void)table.GetNumber(n); });
    (void)table.GetLogical(n);
    if (wrong_too || Fits(type, "DT")) Try([&] { (void)table.GetDate(n); });
    (void)table.FieldName(n);
  }
}

// By number and by name; `everything` also tries the getters of the wrong
// type on the first column of each type, which must refuse cleanly.
void ReadColumns(zakaz::dbf::TDbfColumns& table, bool everything) {
  ReadColumnsByNumber(table, everything);
  for (const auto& d : table.Descriptors()) {
    const bool wrong_too = everything && FirstOfType(table, d.number);
    Try([&] { (void)table.GetString(d.name); });
    if (wrong_too || Fits(d.type, kNumberTypesByName)) Try([&] { (void)table.GetNumber(d.name); });
    if (wrong_too || d.type == 'D') Try([&] { (void)table.GetDate(d.name); });
    if (wrong_too || d.type == 'L') Try([&] { (void)table.GetLogical(d.name); });
    (void)table.FieldNumber(d.name);
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string path = "/fuzz/t.dbf";
  zakaz::dbf::TMemoryFileSystem files;
  zakaz::dbf::TFileSystemScope scope(files);
  files.SetFile(path, std::string_view(reinterpret_cast<const char*>(data), size));
  try {
    zakaz::dbf::TDbfColumns table(path, false, false);
    for (int n = 1; n <= table.RecordCount() && n <= kRecords; ++n) {
      table.GotoRecord(n);
      if (n == 1) {
        ReadColumns(table, true);
      } else {
        ReadColumnsByNumber(table);
      }
    }
    // The relative moves, both ways, and the edges.
    int steps = 0;
    table.GotoRecord(zakaz::dbf::kGotoFirst);
    while (!table.AtEOF() && table.RecordCount() > 0 && ++steps < kRecords) {
      table.GotoRecord(zakaz::dbf::kGotoNext);
    }
    steps = 0;
    table.GotoRecord(zakaz::dbf::kGotoLast);
    while (!table.AtBOF() && ++steps < kRecords) table.GotoRecord(zakaz::dbf::kGotoPrior);
    Try([&] { table.GotoRecord(table.RecordCount() + 2); });
    // Puts stay in the buffer: nothing is written to a read-only table.
    table.BlankRecord();
    ReadColumns(table, false);
    std::string text;
    for (int n = 1; n <= table.FieldCount(); ++n) {
      table.GetString(n, &text);
      Try([&] { table.PutString(n, text); });
      if (Fits(table.FieldType(n), "NFIBYT")) Try([&] { table.PutNumber(n, -12.5); });
      table.PutText(n, "abc");
    }
    ReadColumns(table, false);
  } catch (const zakaz::dbf::ETableError&) {
  }
  return 0;
}
