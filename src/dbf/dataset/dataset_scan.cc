// Scans of the shown rows for the grid's footer sums and its incremental
// search: a walk over the visible-row list that reads runs of consecutive
// records in one block each, instead of one read per row.
#include <algorithm>
#include <cmath>
#include <cstring>

#include "dbf/dataset/dataset_internal.h"
#include "dbf/dataset/dataset_table.h"
#include "dbf/dataset/table_dataset.h"

namespace zakaz::dbf {
namespace {

// Bytes read at once; a few hundred price-list records.
constexpr int64_t kBlockBytes = 128 * 1024;

int64_t ToUnits(double value) {
  return std::isfinite(value) ? static_cast<int64_t>(std::llround(value * 10000.0)) : 0;
}

// Upper case of a letter in Windows-1251: Latin, the Russian alphabet and
// the few other Cyrillic letters of the code page; other bytes unchanged.
unsigned char FoldCase(unsigned char c) {
  if (c >= 'a' && c <= 'z') return static_cast<unsigned char>(c - 32);
  if (c >= 0xE0) return static_cast<unsigned char>(c - 32);  // а..я
  switch (c) {
    case 0xB8:
      return 0xA8;  // ё
    case 0xBA:
      return 0xAA;  // є
    case 0xBF:
      return 0xAF;  // ї
    case 0xB3:
      return 0xB2;  // і
    case 0xA2:
      return 0xA1;  // ў
    case 0x9A:
      return 0x8A;  // љ
    case 0x9C:
      return 0x8C;  // њ
    case 0x9E:
      return 0x8E;  // ћ
    case 0x9D:
      return 0x8D;  // ќ
    case 0x9F:
      return 0x8F;  // џ
    case 0x90:
      return 0x80;  // ђ
    case 0x83:
      return 0x81;  // ѓ
    case 0xBC:
      return 0xA3;  // ј
    case 0xB4:
      return 0xA5;  // ґ
    case 0xBE:
      return 0xBD;  // ѕ
    default:
      return c;
  }
}

}  // namespace

void TTableDataSet::ForEachVisibleRow(
    bool calculate, const std::function<bool(int32_t position, const uint8_t* record)>& on_row) {
  CheckActive();
  const TVisibleRows& rows = VisibleRows();
  if (!peek_row_) peek_row_ = NewRow();
  TRowBuffer& row = *peek_row_;
  TRowBuffer* active = filled_ > 0 ? rows_[static_cast<size_t>(active_)].get() : nullptr;
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
    for (size_t i = 0; i < summed.size(); ++i) sums[i] += ToUnits(summed[i]->AsFloat());
    return true;
  });
  return sums;
}

int32_t TTableDataSet::FindVisiblePrefix(int32_t field, std::string_view prefix) {
  TField& read = Fields(field);
  std::string wanted(prefix);
  for (char& c : wanted) c = static_cast<char>(FoldCase(static_cast<unsigned char>(c)));
  auto begins = [&](std::string_view text) {
    if (text.size() < wanted.size()) return false;
    for (size_t i = 0; i < wanted.size(); ++i) {
      if (FoldCase(static_cast<unsigned char>(text[i])) != static_cast<unsigned char>(wanted[i])) {
        return false;
      }
    }
    return true;
  };
  // A stored string column is compared in place: its first bytes,
  // translated, against the text; no row is converted whole.
  const bool in_place =
      read.DataType() == TFieldType::ftString && !read.Calculated() && read.FieldNo() > 0;
  const size_t offset = in_place ? static_cast<size_t>(table_->FieldOffset(read.FieldNo())) : 0;
  const size_t width = in_place ? static_cast<size_t>(std::min(table_->FieldWidth(read.FieldNo()),
                                                               std::max(read.Size(), 0)))
                                : 0;
  std::string head(wanted.size(), '\0');
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
      if (length >= wanted.size()) {
        head.assign(bytes, wanted.size());
        Translate(head.c_str(), head.data(), false);
        match = begins(head);
      }
    } else {
      match = begins(read.AsString());
    }
    if (!match) return true;
    found = position;
    return false;
  });
  return found;
}

}  // namespace zakaz::dbf
