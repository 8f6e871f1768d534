// Scans of the shown rows for the grid's footer sums and its incremental
// search: a walk over the visible-row list that reads runs of consecutive
// records in one block each, instead of one read per row.
#include <algorithm>
#include <cmath>
#include <cstring>

#include "common/currency.h"
#include "dbf/dataset/dataset_internal.h"
#include "dbf/dataset/dataset_table.h"
#include "dbf/dataset/table_dataset.h"
#include "dbf/expr/exp_text.h"
#include "dbf/table/code_page.h"

namespace zakaz::dbf {
namespace {

// Bytes read at once; a few hundred price-list records.
constexpr int64_t kBlockBytes = 128 * 1024;

// The search compares letters as the filter language does: in the code
// page the tables are stored in, upper-cased there (Latin and Russian).
unsigned char SearchCase(const TTranslationTable& to_stored, unsigned char program_byte) {
  return OemUpper(to_stored[program_byte]);
}

}  // namespace

void TTableDataSet::ForEachVisibleRow(
    bool calculate, const std::function<bool(int32_t position, const uint8_t* record)>& on_row) {
  CheckActive();
  const TVisibleRows& rows = VisibleRows();
  if (!peek_row_) peek_row_ = window_.NewRow();
  TRowBuffer& row = *peek_row_;
  TRowBuffer* active = window_.ActiveRow();
  const bool editing = state_ == TDataSetState::dsEdit || state_ == TDataSetState::dsInsert;
  const int32_t editing_recno = editing && active != nullptr ? active->recno : 0;
  const int64_t length = table_->RecordLength();
  const int64_t header = table_->HeaderLength();
  const int32_t per_block =
      static_cast<int32_t>(std::max<int64_t>(1, kBlockBytes / std::max<int64_t>(length, 1)));
  std::vector<uint8_t> block(static_cast<size_t>(per_block * length));
  struct Restore {
    TRowBuffer*& target;
    ~Restore() { target = nullptr; }
  } restore{peek_target_};
  const int32_t count = rows.Count();
  int32_t position = 0;
  while (position < count) {
    // The run of consecutive record numbers from here, at most one block.
    const int32_t first = rows.RecordAt(position);
    int32_t run = 1;
    while (run < per_block && position + run < count &&
           rows.RecordAt(position + run) == first + run)
      ++run;
    table_->ReadExactAt(header + static_cast<int64_t>(first - 1) * length, block.data(),
                        static_cast<size_t>(run * length));
    for (int32_t i = 0; i < run; ++i, ++position) {
      const int32_t recno = first + i;
      const uint8_t* stored = block.data() + static_cast<size_t>(i * length);
      if (recno == editing_recno) {
        peek_target_ = active;
        stored = nullptr;
      } else {
        std::memcpy(row.record.data(), stored, static_cast<size_t>(length));
        row.recno = recno;
        row.flag = TBookmarkFlag::kCurrent;
        peek_target_ = &row;
        if (calculate) CalculateFields(row, true);
      }
      if (!on_row(position, stored)) return;
    }
  }
}

std::vector<int64_t> TTableDataSet::SumVisible(const std::vector<int32_t>& fields) {
  std::vector<int64_t> sums(fields.size(), 0);
  std::vector<TField*> summed;
  bool calculated = false;
  for (int32_t index : fields) {
    summed.push_back(&Fields(index));
    calculated = calculated || summed.back()->Calculated();
  }
  ForEachVisibleRow(calculated, [&](int32_t, const uint8_t*) {
    for (size_t i = 0; i < summed.size(); ++i) sums[i] += ToCurrencyUnits(summed[i]->AsFloat());
    return true;
  });
  return sums;
}

int32_t TTableDataSet::FindVisiblePrefix(int32_t field, std::string_view prefix) {
  TField& read = Fields(field);
  const TTranslationTable& to_stored = AnsiToOemTable();
  std::string wanted(prefix);
  for (char& c : wanted)
    c = static_cast<char>(SearchCase(to_stored, static_cast<unsigned char>(c)));
  // `text` begins with the search text; `stored` says whether its bytes are
  // still in the stored code page (read in place from a translated table).
  auto begins = [&](std::string_view text, bool stored) {
    if (text.size() < wanted.size()) return false;
    for (size_t i = 0; i < wanted.size(); ++i) {
      const auto byte = static_cast<unsigned char>(text[i]);
      const unsigned char folded = stored ? OemUpper(byte) : SearchCase(to_stored, byte);
      if (folded != static_cast<unsigned char>(wanted[i])) return false;
    }
    return true;
  };
  // A stored string column is compared in place, its leading bytes only;
  // no row is converted whole.
  const bool in_place =
      read.DataType() == TFieldType::ftString && !read.Calculated() && read.FieldNo() > 0;
  const size_t offset = in_place ? static_cast<size_t>(table_->FieldOffset(read.FieldNo())) : 0;
  const size_t width = in_place ? static_cast<size_t>(std::min(table_->FieldWidth(read.FieldNo()),
                                                               std::max(read.Size(), 0)))
                                : 0;
  int32_t found = -1;
  ForEachVisibleRow(!in_place, [&](int32_t position, const uint8_t* record) {
    bool match = false;
    if (in_place && record != nullptr) {
      // The value as the field reads it: up to a NUL, without trailing
      // bytes <= 0x20.
      const char* bytes = reinterpret_cast<const char*>(record + offset);
      size_t length = 0;
      while (length < width && bytes[length] != '\0') ++length;
      while (length > 0 && static_cast<unsigned char>(bytes[length - 1]) <= 0x20) --length;
      match = begins(std::string_view(bytes, length), translate_ascii_);
    } else {
      match = begins(read.AsString(), false);
    }
    if (!match) return true;
    found = position;
    return false;
  });
  return found;
}

void TTableDataSet::ScanShownRows(const std::function<bool(int32_t recno)>& on_row) {
  CheckActive();
  const TVisibleRows& rows = VisibleRows();
  ForEachVisibleRow(
      false, [&](int32_t position, const uint8_t*) { return on_row(rows.RecordAt(position)); });
}

}  // namespace zakaz::dbf
