// Scans of the shown rows for the grid's footer sums and its incremental
// search: a walk over the visible-row list that reads runs of consecutive
// records in one block each, instead of one read per row.
#include <algorithm>
#include <array>
#include <cmath>
#include <cstring>
#include <limits>

#include "common/currency.h"
#include "dbf/base/number_text.h"
#include "dbf/dataset/dataset_internal.h"
#include "dbf/dataset/dataset_prefix_index.h"
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

const uint8_t* TTableDataSet::StoredRun(const uint8_t* mapped, int32_t first, int32_t run,
                                        std::vector<uint8_t>& block) {
  const int64_t length = table_->RecordLength();
  const int64_t offset = table_->HeaderLength() + static_cast<int64_t>(first - 1) * length;
  if (mapped != nullptr) return mapped + offset;
  table_->ReadExactAt(offset, block.data(), static_cast<size_t>(run * length));
  return block.data();
}

void TTableDataSet::ForEachVisibleRow(
    TRowLoad load, const std::function<bool(int32_t position, const uint8_t* record)>& on_row,
    int32_t prefetch_at) {
  constexpr int32_t kAhead = 12;
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

  struct Restore {
    TRowBuffer*& target;
    ~Restore() { target = nullptr; }
  } restore{peek_target_};
  const int32_t count = rows.Count();
  // Rows read where they lie need no copy at all when the file is mapped.
  const uint8_t* mapped =
      load == TRowLoad::kInBlock && count > 0
          ? table_->MappedBytes(header + static_cast<int64_t>(rows.RecordAt(count - 1)) * length)
          : nullptr;
  // One byte more: a record lent from the block's end has its spare byte.
  std::vector<uint8_t> block(mapped != nullptr ? 0 : static_cast<size_t>(per_block * length) + 1);
  int32_t position = 0;
  while (position < count) {
    // The run of consecutive record numbers from here, at most one block.
    const int32_t first = rows.RecordAt(position);
    int32_t run = 1;
    while (run < per_block && position + run < count &&
           rows.RecordAt(position + run) == first + run)
      ++run;
    const uint8_t* base = StoredRun(mapped, first, run, block);
    for (int32_t i = 0; i < run; ++i, ++position) {
      const int32_t recno = first + i;
      const uint8_t* stored = base + static_cast<size_t>(i * length);
      // A mapped file is read straight from memory: ask for the columns of
      // rows a little ahead, so that their bytes arrive while this one is
      // decoded (the hardware does not follow a stride across pages).
      if (mapped != nullptr && prefetch_at >= 0 && i + kAhead < run) {
        const uint8_t* ahead = stored + kAhead * length + prefetch_at;
        __builtin_prefetch(ahead);
        __builtin_prefetch(ahead + 63);
      }
      if (recno == editing_recno) {
        peek_target_ = active;
        stored = nullptr;
      } else if (load != TRowLoad::kInBlock) {
        std::memcpy(row.record.data(), stored, static_cast<size_t>(length));
        row.recno = recno;
        row.flag = TBookmarkFlag::kCurrent;
        peek_target_ = &row;
        if (load == TRowLoad::kCalculated) CalculateFields(row, true);
      }
      if (!on_row(position, stored)) return;
    }
  }
}

void TTableDataSet::DeclareProduct(TField& result, const TField& a, const TField& b) {
  products_.push_back({&result, &a, &b});
  kept_sums_.valid = false;
}

namespace {

bool StoredNumber(const TField& field) {
  const TFieldType type = field.DataType();
  return !field.Calculated() && field.FieldNo() > 0 &&
         (type == TFieldType::ftSmallint || type == TFieldType::ftInteger ||
          type == TFieldType::ftLargeint || type == TFieldType::ftFloat);
}

}  // namespace

bool TTableDataSet::PlanSums(const std::vector<int32_t>& fields, TSumPlan& plan) const {
  plan = {};
  plan.fields = fields;
  // Each sum as stored numbers: a field itself, or the product a calculated
  // field is declared to be.
  std::vector<std::pair<const TField*, const TField*>> terms;
  for (int32_t index : fields) {
    const TField* field = &Fields(index);
    if (StoredNumber(*field)) {
      terms.push_back({field, nullptr});
      continue;
    }
    auto product = std::find_if(products_.begin(), products_.end(),
                                [&](const TProduct& p) { return p.result == field; });
    if (product == products_.end() || !StoredNumber(*product->a) || !StoredNumber(*product->b))
      return false;
    terms.push_back({product->a, product->b});
  }
  // The distinct columns, each read once per row; a sum of one field is
  // that field times the 1 kept behind the columns.
  auto column_of = [&](const TField* field) {
    auto at = std::find(plan.columns.begin(), plan.columns.end(), field);
    if (at == plan.columns.end()) at = plan.columns.insert(plan.columns.end(), field);
    return static_cast<size_t>(at - plan.columns.begin());
  };
  for (const auto& [a, b] : terms) {
    const size_t first = column_of(a);
    plan.picks.push_back({first, b != nullptr ? column_of(b) : std::numeric_limits<size_t>::max()});
  }
  for (auto& pick : plan.picks) pick.second = std::min(pick.second, plan.columns.size());
  plan.values.assign(plan.columns.size() + 1, 1.0);
  for (const TField* column : plan.columns) {
    TSumPlan::TColumnText text;
    const char type = table_->FieldType(column->FieldNo());
    if (type == 'N' || type == 'F') {
      text.offset = static_cast<size_t>(table_->FieldOffset(column->FieldNo()));
      text.width = static_cast<size_t>(table_->FieldWidth(column->FieldNo()));
    }
    text.type = column->DataType();
    plan.texts.push_back(text);
  }
  return true;
}

void TTableDataSet::AddShare(TSumPlan& plan, const uint8_t* record, std::vector<int64_t>& sums,
                             int sign) {
  // In the filter state the fields read the table's record buffer: here
  // `record`, wherever it lies.
  const TDataSetState previous = state_;
  struct RestoreState {
    TTableDataSet& ds;
    TDataSetState state;
    ~RestoreState() { ds.state_ = state; }
  } restore_state{*this, previous};
  state_ = TDataSetState::dsFilter;
  TBufferLoan loan(*table_, const_cast<uint8_t*>(record));
  for (size_t c = 0; c < plan.columns.size(); ++c) {
    // A number written as text, the common case, is read here as the
    // field would read it; anything else (blank, asterisks, a malformed
    // or binary number) the field reads itself, with its own answer or
    // failure.
    const TSumPlan::TColumnText& text = plan.texts[c];
    std::string_view stored(reinterpret_cast<const char*>(record) + text.offset, text.width);
    while (!stored.empty() && static_cast<unsigned char>(stored.back()) <= 0x20)
      stored.remove_suffix(1);
    double value = 0;
    if (stored.empty() || !ParseDecimal(stored, &value)) {
      value = stored.empty() && text.width > 0 ? 0.0 : plan.columns[c]->AsFloat();
    } else if (text.type == TFieldType::ftSmallint) {
      value = static_cast<double>(static_cast<int16_t>(RoundToWhole(value)));
    } else if (text.type == TFieldType::ftInteger) {
      value = static_cast<double>(static_cast<int32_t>(RoundToWhole(value)));
    } else if (text.type == TFieldType::ftLargeint) {
      value = static_cast<double>(RoundToWhole(value));
    }
    plan.values[c] = value;
  }
  for (size_t i = 0; i < plan.picks.size(); ++i)
    sums[i] += sign * ToCurrencyUnits(plan.values[plan.picks[i].first] *
                                      plan.values[plan.picks[i].second]);
}

std::vector<int64_t> TTableDataSet::SumVisible(const std::vector<int32_t>& fields) {
  CheckActive();
  std::vector<int64_t> sums(fields.size(), 0);
  std::vector<TField*> summed;
  bool calculated = false;
  for (int32_t index : fields) {
    summed.push_back(&Fields(index));
    calculated = calculated || summed.back()->Calculated();
  }
  TSumPlan plan;
  if (!PlanSums(fields, plan)) {
    ForEachVisibleRow(calculated ? TRowLoad::kCalculated : TRowLoad::kCopied,
                      [&](int32_t, const uint8_t*) {
                        for (size_t i = 0; i < summed.size(); ++i)
                          sums[i] += ToCurrencyUnits(summed[i]->AsFloat());
                        return true;
                      });
    return sums;
  }
  TRowBuffer* active = window_.ActiveRow();
  const bool editing = state_ == TDataSetState::dsEdit || state_ == TDataSetState::dsInsert;
  const int32_t editing_recno = editing && active != nullptr ? active->recno : 0;
  const bool all_shown = ShowsAllRows();
  if (all_shown && kept_sums_.valid && kept_sums_.plan.fields == fields) {
    sums = kept_sums_.sums;
  } else {
    // Every row read where it lies in the block, only the summed columns
    // decoded, no row calculated; the row being edited counts with what the
    // file holds, put right below.
    std::vector<uint8_t> edited;
    int32_t first_column = -1;
    for (const TSumPlan::TColumnText& text : plan.texts) {
      if (text.width > 0 && (first_column < 0 || static_cast<int32_t>(text.offset) < first_column))
        first_column = static_cast<int32_t>(text.offset);
    }
    ForEachVisibleRow(
        TRowLoad::kInBlock,
        [&](int32_t, const uint8_t* record) {
          if (record == nullptr) {
            edited.resize(static_cast<size_t>(table_->RecordLength()) + 1);
            table_->ReadExactAt(table_->HeaderLength() + static_cast<int64_t>(editing_recno - 1) *
                                                             table_->RecordLength(),
                                edited.data(), edited.size() - 1);
            record = edited.data();
          }
          AddShare(plan, record, sums, +1);
          return true;
        },
        first_column);
    if (all_shown) kept_sums_ = {plan, sums, true};
  }
  if (editing_recno > 0 && VisibleRows().RowOf(editing_recno) >= 0) {
    // What the row adds as it is being edited, in place of what it adds on
    // file.
    std::vector<uint8_t> stored(static_cast<size_t>(table_->RecordLength()) + 1);
    table_->ReadExactAt(
        table_->HeaderLength() + static_cast<int64_t>(editing_recno - 1) * table_->RecordLength(),
        stored.data(), stored.size() - 1);
    AddShare(plan, stored.data(), sums, -1);
    peek_target_ = active;
    struct Restore {
      TRowBuffer*& target;
      ~Restore() { target = nullptr; }
    } restore{peek_target_};
    for (size_t i = 0; i < summed.size(); ++i) sums[i] += ToCurrencyUnits(summed[i]->AsFloat());
  }
  return sums;
}

void TTableDataSet::DropKeptSums() { kept_sums_.valid = false; }

void TTableDataSet::KeptSumsBeforeWrite(int32_t recno) {
  if (!kept_sums_.valid) return;
  if (recno < 1 || recno > table_->RecordCount() || all_rows_.Rows().RowOf(recno) < 0) return;
  try {
    std::vector<uint8_t>& old = old_record_;
    old.resize(static_cast<size_t>(table_->RecordLength()) + 1);
    ReadStored(recno, old.data());
    AddShare(kept_sums_.plan, old.data(), kept_sums_.sums, -1);
  } catch (const std::exception&) {
    kept_sums_.valid = false;  // the next pass meets the same record
  }
}

void TTableDataSet::KeptSumsAfterWrite(int32_t recno) {
  if (!kept_sums_.valid || !all_rows_.Built()) return;
  if (all_rows_.Rows().RowOf(recno) < 0) return;
  try {
    AddShare(kept_sums_.plan, table_->RecordBuffer(), kept_sums_.sums, +1);
  } catch (const std::exception&) {
    kept_sums_.valid = false;
  }
}

int32_t TTableDataSet::FindVisiblePrefix(int32_t field, std::string_view prefix) {
  CheckActive();
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
  const bool in_place =
      read.DataType() == TFieldType::ftString && !read.Calculated() && read.FieldNo() > 0;
  if (!in_place) {
    // A calculated or converted column: every shown row is read.
    int32_t found = -1;
    ForEachVisibleRow(TRowLoad::kCalculated, [&](int32_t position, const uint8_t*) {
      if (!begins(read.AsString(), false)) return true;
      found = position;
      return false;
    });
    return found;
  }
  const TVisibleRows& rows = VisibleRows();
  if (rows.Count() == 0) return -1;
  if (wanted.empty()) return 0;
  // A stored string column: the index names the records whose first bytes
  // agree; the first of them shown is the answer. Beyond the key's bytes a
  // candidate's own bytes decide.
  const TPrefixIndex& index = PrefixIndex(field);
  const auto* folded = reinterpret_cast<const unsigned char*>(wanted.data());
  const bool key_decides = wanted.size() <= static_cast<size_t>(TPrefixIndex::kKeyBytes);
  TRowBuffer* active = window_.ActiveRow();
  const bool editing = state_ == TDataSetState::dsEdit || state_ == TDataSetState::dsInsert;
  const int32_t editing_recno = editing && active != nullptr ? active->recno : 0;
  std::vector<int32_t> unsure;
  int32_t best = std::numeric_limits<int32_t>::max();
  index.ForEachCandidate(folded, wanted.size(), [&](int32_t recno) {
    if (recno >= best || recno == editing_recno || rows.RowOf(recno) < 0) return;
    if (key_decides) {
      best = recno;
    } else {
      unsure.push_back(recno);
    }
  });
  if (!unsure.empty()) {
    std::sort(unsure.begin(), unsure.end());
    std::vector<uint8_t> bytes(static_cast<size_t>(table_->FieldWidth(read.FieldNo())));
    for (int32_t recno : unsure) {
      if (recno >= best) break;
      table_->ReadExactAt(table_->HeaderLength() +
                              static_cast<int64_t>(recno - 1) * table_->RecordLength() +
                              table_->FieldOffset(read.FieldNo()),
                          bytes.data(), bytes.size());
      if (begins(StoredText(bytes.data(), bytes.size(), read.Size()), translate_ascii_)) {
        best = recno;
        break;
      }
    }
  }
  // The row being edited counts with its unposted text.
  if (editing_recno > 0 && editing_recno < best && rows.RowOf(editing_recno) >= 0) {
    const uint8_t* record = active->record.data() + table_->FieldOffset(read.FieldNo());
    if (begins(StoredText(record, static_cast<size_t>(table_->FieldWidth(read.FieldNo())),
                          read.Size()),
               translate_ascii_))
      best = editing_recno;
  }
  return best == std::numeric_limits<int32_t>::max() ? -1 : rows.RowOf(best);
}

void TTableDataSet::PrepareSearch(int32_t field) {
  if (!Active() || field < 0 || field >= FieldCount()) return;
  const TField& read = Fields(field);
  if (read.DataType() != TFieldType::ftString || read.Calculated() || read.FieldNo() <= 0) return;
  try {
    PrefixIndex(field);
  } catch (const std::exception&) {
    prefix_index_.reset();
  }
}

const TPrefixIndex& TTableDataSet::PrefixIndex(int32_t field) {
  if (prefix_index_ != nullptr && prefix_index_->Field() == field) return *prefix_index_;
  prefix_index_.reset();
  const TField& read = Fields(field);
  const int32_t count = std::max(table_->RecordCount(), 0);
  const int64_t length = table_->RecordLength();
  const int64_t header = table_->HeaderLength();
  const size_t offset = static_cast<size_t>(table_->FieldOffset(read.FieldNo()));
  const size_t width = static_cast<size_t>(table_->FieldWidth(read.FieldNo()));
  std::vector<uint64_t> keys(static_cast<size_t>(count));
  const int32_t per_block =
      static_cast<int32_t>(std::max<int64_t>(1, kBlockBytes / std::max<int64_t>(length, 1)));
  const uint8_t* mapped = table_->MappedBytes(header + static_cast<int64_t>(count) * length);
  std::vector<uint8_t> block(mapped != nullptr ? 0 : static_cast<size_t>(per_block * length));
  const TSearchFold fold = SearchFold();
  unsigned char folded[TPrefixIndex::kKeyBytes];
  constexpr int32_t kAhead = 12;
  for (int32_t first = 1; first <= count; first += per_block) {
    const int32_t run = std::min(per_block, count - first + 1);
    const uint8_t* base = StoredRun(mapped, first, run, block);
    for (int32_t i = 0; i < run; ++i) {
      const uint8_t* column = base + static_cast<size_t>(i * length) + offset;
      // The names of rows ahead are asked for while this one is folded.
      if (mapped != nullptr && i + kAhead < run) __builtin_prefetch(column + kAhead * length);
      keys[static_cast<size_t>(first - 1 + i)] =
          KeyOfStored(column, width, read.Size(), fold, folded);
    }
  }
  auto index = std::make_unique<TPrefixIndex>();
  index->Build(field, std::move(keys));
  prefix_index_ = std::move(index);
  return *prefix_index_;
}

uint64_t TTableDataSet::KeyOfStored(const uint8_t* bytes, size_t width, int32_t size,
                                    const TSearchFold& fold, unsigned char* folded) {
  // The first key bytes of the text as the field reads it (up to a NUL,
  // without trailing bytes <= 0x20), looking no further into the column
  // than it takes to know which of them the trimming keeps.
  width = std::min(width, static_cast<size_t>(std::max(size, 0)));
  size_t used = 0;
  while (used < width && used < static_cast<size_t>(TPrefixIndex::kKeyBytes) && bytes[used] != 0)
    ++used;
  size_t kept = used;
  while (kept > 0 && bytes[kept - 1] <= 0x20) --kept;
  if (kept < used) {
    for (size_t j = used; j < width && bytes[j] != 0; ++j) {
      if (bytes[j] > 0x20) {
        kept = used;  // the blanks are inside the text
        break;
      }
    }
  }
  for (size_t i = 0; i < kept; ++i) folded[i] = fold[bytes[i]];
  return TPrefixIndex::KeyOf(folded, kept);
}

TTableDataSet::TSearchFold TTableDataSet::SearchFold() const {
  // Stored bytes as the search compares them: upper-cased in the stored
  // code page, after translating them there when the table is not.
  TSearchFold fold{};
  const TTranslationTable& to_stored = AnsiToOemTable();
  for (size_t b = 0; b < fold.size(); ++b) {
    const auto byte = static_cast<unsigned char>(b);
    fold[b] = translate_ascii_ ? OemUpper(byte) : SearchCase(to_stored, byte);
  }
  return fold;
}

std::string_view TTableDataSet::StoredText(const uint8_t* bytes, size_t width, int32_t size) {
  // The value as the field reads it: at most its size, up to a NUL, without
  // trailing bytes <= 0x20.
  width = std::min(width, static_cast<size_t>(std::max(size, 0)));
  const char* text = reinterpret_cast<const char*>(bytes);
  size_t length = 0;
  while (length < width && text[length] != '\0') ++length;
  while (length > 0 && static_cast<unsigned char>(text[length - 1]) <= 0x20) --length;
  return std::string_view(text, length);
}

void TTableDataSet::PrefixIndexWritten(int32_t recno) {
  if (prefix_index_ == nullptr) return;
  if (recno > prefix_index_->Records()) {
    prefix_index_.reset();  // an appended record: the next search builds it anew
    return;
  }
  const TField& read = Fields(prefix_index_->Field());
  unsigned char folded[TPrefixIndex::kKeyBytes];
  const uint64_t key = KeyOfStored(table_->RecordBuffer() + table_->FieldOffset(read.FieldNo()),
                                   static_cast<size_t>(table_->FieldWidth(read.FieldNo())),
                                   read.Size(), SearchFold(), folded);
  if (!prefix_index_->Holds(recno, key)) prefix_index_.reset();
}

void TTableDataSet::ScanShownRows(const std::function<bool(int32_t recno)>& on_row) {
  CheckActive();
  const TVisibleRows& rows = VisibleRows();
  ForEachVisibleRow(TRowLoad::kCopied, [&](int32_t position, const uint8_t*) {
    return on_row(rows.RecordAt(position));
  });
}

}  // namespace zakaz::dbf
