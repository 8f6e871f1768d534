// Opens arbitrary bytes as a table through the dataset and drives it the way
// the program does: walks both ways with a window sized by the first input
// byte, filters, edits and posts, reads the visible-row list and peeks at
// every visible record, and copies the visible records into a new table. A
// damaged table may fail with the layer's exceptions at any step; it must
// never crash, hang or touch memory outside its buffers.
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <stdexcept>
#include <string>

#include "dbf/dataset/dataset_view.h"
#include "dbf/dataset/table_dataset.h"

namespace {

const std::string& Directory() {
  static const std::string dir = [] {
    char pattern[] = "/tmp/dbf-dataset-fuzz-XXXXXX";
    const char* made = ::mkdtemp(pattern);
    if (made == nullptr) std::abort();
    return std::string(made);
  }();
  return dir;
}

void WriteAll(const std::string& path, const uint8_t* data, size_t size) {
  FILE* file = std::fopen(path.c_str(), "wb");
  if (file == nullptr) std::abort();
  if (size > 0 && std::fwrite(data, 1, size, file) != size) std::abort();
  std::fclose(file);
}

// Every failure of the dataset, the engine and the expressions is a
// runtime_error with a message; anything else escapes and is a finding.
template <typename F>
void Try(F&& f) {
  try {
    f();
  } catch (const std::runtime_error&) {
  }
}

class TSizedView : public zakaz::dbf::TDataSetView {
 public:
  explicit TSizedView(int32_t rows) : rows_(rows) {}
  int32_t WindowRows() const override { return rows_; }

 private:
  int32_t rows_;
};

void Drive(zakaz::dbf::TTableDataSet& ds, int32_t limit) {
  int32_t steps = 0;
  for (ds.First(); !ds.Eof() && steps < limit; ds.Next()) ++steps;
  steps = 0;
  for (ds.Last(); !ds.Bof() && steps < limit; ds.Prior()) ++steps;
  const zakaz::dbf::TVisibleRows& rows = ds.VisibleRows();
  for (int32_t i = 0; i < rows.Count() && i < limit; ++i) (void)ds.PeekRecord(rows.RecordAt(i));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 1) return 0;
  const int32_t window = 1 + data[0] % 8;
  const std::string path = Directory() + "/t.dbf";
  const std::string copy = Directory() + "/copy.dbf";
  WriteAll(path, data + 1, size - 1);
  TSizedView view(window);
  zakaz::dbf::TTableDataSet ds("Fuzz");
  ds.AttachView(&view);
  ds.SetTableName(path);
  ds.SetExclusive(true);
  Try([&] {
    ds.Open();
    const int32_t limit = ds.RecordCount() + 2;
    Try([&] { Drive(ds, limit); });
    ds.SetFiltered(true);
    for (const char* text : {"QUANT>0", "Name = '*A*'", "RECNO() > 1", ""}) {
      Try([&] {
        ds.SetFilter(text);
        Drive(ds, limit);
      });
    }
    Try([&] {
      ds.First();
      ds.Edit();
      for (int32_t i = 0; i < ds.FieldCount(); ++i) {
        Try([&] { ds.Fields(i).SetAsString(ds.Fields(i).AsString()); });
      }
      ds.Post();
    });
    Try([&] {
      ds.CopyStructure(copy);
      zakaz::dbf::TTableDataSet target("Copy");
      target.SetTableName(copy);
      target.Open();
      int32_t steps = 0;
      for (ds.First(); !ds.Eof() && steps < limit; ds.Next(), ++steps) ds.CopyRecordTo(target);
    });
  });
  ds.Close();
  ds.DetachView(&view);
  return 0;
}
