// Opens arbitrary bytes as a table through the dataset and drives it the way
// the program does: walks both ways, filters, edits and posts, reads the
// visible-row list and peeks at the visible records, and copies the visible
// records into a new table. A damaged table may fail with the layer's
// exceptions at any step; it must never crash, hang or touch memory outside
// its buffers.
//
// The first input byte chooses the window size (low three bits), the one
// filter text tried (next two bits) and what follows the first walk (next
// two: the filter, an edit, the copy, or all three); the rest is the table. Walks, peeks and
// the copy stop after kSteps records: damage shows in the header and the
// first records, and a short input keeps the rate high enough to search. The
// tables live in a memory-backed file system, so an input costs no disk
// traffic.
#include <cstddef>
#include <cstdint>
#include <stdexcept>
#include <string>
#include <string_view>

#include "dbf/dataset/dataset_view.h"
#include "dbf/dataset/table_dataset.h"
#include "dbf/table/memory_file_system.h"

namespace {

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

constexpr int32_t kSteps = 4;
constexpr const char* kFilters[] = {"QUANT>0", "Name = '*A*'", "RECNO() > 1", ""};

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 1) return 0;
  const int32_t window = 1 + (data[0] & 7);
  const char* const filter = kFilters[(data[0] >> 3) & 3];
  const int phase = (data[0] >> 5) & 3;
  const bool filters = phase == 0 || phase == 3;
  const bool edits = phase == 1 || phase == 3;
  const bool copies = phase == 2 || phase == 3;
  const std::string path = "/fuzz/t.dbf";
  const std::string copy = "/fuzz/copy.dbf";
  zakaz::dbf::TMemoryFileSystem files;
  zakaz::dbf::TFileSystemScope scope(files);
  files.SetFile(path, std::string_view(reinterpret_cast<const char*>(data + 1), size - 1));
  TSizedView view(window);
  zakaz::dbf::TTableDataSet ds("Fuzz");
  ds.AttachView(&view);
  ds.SetTableName(path);
  ds.SetExclusive(true);
  Try([&] {
    ds.Open();
    const int32_t limit = kSteps;
    Try([&] { Drive(ds, limit); });
    if (filters) {
      ds.SetFiltered(true);
      Try([&] {
        ds.SetFilter(filter);
        Drive(ds, limit);
      });
    }
    if (edits)
      Try([&] {
        ds.First();
        ds.Edit();
        for (int32_t i = 0; i < ds.FieldCount(); ++i) {
          Try([&] { ds.Fields(i).SetAsString(ds.Fields(i).AsString()); });
        }
        ds.Post();
      });
    if (copies)
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
