// The dataset: opening and closing, properties, fields binding, editing and
// the upkeep of the visible-row list. Navigation lives in dataset_cursor.cc,
// the row window's buffers in dataset_row_window.cc, copying in
// table_copy.cc.
#include "dbf/dataset/table_dataset.h"

#include <algorithm>
#include <cstring>

#include "common/file_path.h"
#include "common/format_message.h"
#include "dbf/base/errors.h"
#include "dbf/dataset/dataset_internal.h"
#include "dbf/dataset/dataset_messages.h"
#include "dbf/dataset/dataset_prefix_index.h"
#include "dbf/dataset/dataset_table.h"
#include "dbf/table/code_page.h"

namespace zakaz::dbf {
namespace msg = dataset_messages;

namespace {

bool SameNameIgnoringCase(std::string_view a, std::string_view b) {
  return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
           auto up = [](char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 32) : c; };
           return up(x) == up(y);
         });
}

struct TFieldDef {
  std::string name;
  TFieldType type;
  int32_t size;
  int32_t field_no;
};

// The field type a column gets, or ftUnknown for none.
TFieldType FieldTypeOfColumn(const TDbfDescriptor& column, TLargeIntegerAs large) {
  switch (column.type) {
    case 'C':
      return TFieldType::ftString;
    case 'N':
    case 'F':
      if (column.decimals > 0) return TFieldType::ftFloat;
      if (column.width < 5) return TFieldType::ftSmallint;
      if (column.width < 10) return TFieldType::ftInteger;
      switch (large) {
        case TLargeIntegerAs::asInteger:
          return TFieldType::ftInteger;
        case TLargeIntegerAs::asLargeInt:
          return TFieldType::ftLargeint;
        case TLargeIntegerAs::asFloat:
          return TFieldType::ftFloat;
      }
      return TFieldType::ftLargeint;
    case 'I':
      return TFieldType::ftInteger;
    case 'D':
      return TFieldType::ftDate;
    case 'L':
      return TFieldType::ftBoolean;
    case 'T':
      return TFieldType::ftDateTime;
    case 'Y':
      return TFieldType::ftCurrency;
    case 'M':
      return TFieldType::ftMemo;
    case 'B':
    case 'G':
      return TFieldType::ftBlob;
    default:
      return TFieldType::ftUnknown;
  }
}

// Field kinds that may bind to one another.
int CompatibilityGroup(TFieldType type) {
  switch (type) {
    case TFieldType::ftString:
      return 1;
    case TFieldType::ftSmallint:
    case TFieldType::ftInteger:
    case TFieldType::ftWord:
    case TFieldType::ftAutoInc:
      return 2;
    case TFieldType::ftBoolean:
      return 3;
    case TFieldType::ftFloat:
    case TFieldType::ftCurrency:
      return 4;
    case TFieldType::ftDate:
    case TFieldType::ftTime:
    case TFieldType::ftDateTime:
      return 5;
    case TFieldType::ftLargeint:
      return 6;
    case TFieldType::ftMemo:
    case TFieldType::ftBlob:
      return 7;
    case TFieldType::ftUnknown:
      break;
  }
  return 0;
}

}  // namespace

TTableDataSet::TTableDataSet(std::string name) : name_(std::move(name)) {}

TTableDataSet::~TTableDataSet() {
  views_.Clear();  // nobody is told about a dataset that goes away
  if (Active()) {
    // Same as Close, minus the notices.
    if (record_locked_ && table_) table_->Unlock();
    record_locked_ = false;
    table_.reset();
  }
}

// ---- Errors and checks -----------------------------------------------------

void TTableDataSet::ThrowPrefixed(const std::string& text) const {
  throw EDatabaseError(name_.empty() ? text : name_ + ": " + text);
}

void TTableDataSet::CheckActive() const {
  if (!Active()) ThrowPrefixed(msg::kDataSetClosed);
}

void TTableDataSet::CheckInactive() const {
  if (Active()) ThrowPrefixed(msg::kDataSetOpen);
}

bool TTableDataSet::CanModify() const { return Active() && !read_only_; }

void TTableDataSet::CheckCanModify() const {
  if (read_only_) ThrowPrefixed(msg::kDataSetReadOnly);
}

// ---- Properties --------------------------------------------------------------

void TTableDataSet::SetTableName(const std::string& value) {
  CheckInactive();
  table_name_ = value;
}

void TTableDataSet::SetReadOnly(bool value) {
  // An open dataset whose file was opened for reading only stays read-only.
  read_only_ = value || (table_ != nullptr && !table_->ReadWrite());
}

void TTableDataSet::SetAutoFlush(bool value) {
  auto_flush_ = value;
  if (table_) table_->SetAutoFlush(value);
}

void TTableDataSet::SetUseDeleted(bool value) {
  use_deleted_ = value;
  if (table_) {
    table_->SetUseDeleted(value);
    ResetVisibleRows(true);
  }
}

void TTableDataSet::SetTranslateASCII(bool value) {
  translate_ascii_ = value;
  prefix_index_.reset();  // its keys were folded for the other code page
  if (table_) table_->SetTranslate(value);
}

void TTableDataSet::SetUserID(int32_t value) {
  user_id_ = value;
  if (table_) table_->SetWriterIdentity(value);
}

std::string TTableDataSet::Translate(std::string_view source, bool to_oem) const {
  if (!translate_ascii_) return std::string(source);
  return to_oem ? ToOem(source) : FromOem(source);
}

void TTableDataSet::Translate(const char* source, char* destination, bool to_oem) const {
  const TTranslationTable& table = to_oem ? AnsiToOemTable() : OemToAnsiTable();
  for (; *source != '\0'; ++source, ++destination) {
    const auto byte = static_cast<uint8_t>(*source);
    *destination = static_cast<char>(translate_ascii_ ? table[byte] : byte);
  }
  *destination = '\0';
}

// ---- Fields ------------------------------------------------------------------

TField& TTableDataSet::AddField(std::string name, TFieldType type, int32_t size, TFieldKind kind) {
  CheckInactive();
  std::unique_ptr<TField> field = MakeField(*this, std::move(name), type, size, kind);
  if (!field) throw EDatabaseError(FormatMessage(msg::kFieldNotFound, {std::string_view("")}));
  fields_.push_back(std::move(field));
  return *fields_.back();
}

TField* TTableDataSet::FindField(std::string_view name) const {
  for (const auto& field : fields_) {
    if (SameNameIgnoringCase(field->FieldName(), name)) return field.get();
  }
  return nullptr;
}

void TTableDataSet::FlushToDisk() {
  CheckActive();
  table_->Flush();
}

int32_t TTableDataSet::FieldIndex(std::string_view name) const {
  for (size_t i = 0; i < fields_.size(); ++i) {
    if (SameNameIgnoringCase(fields_[i]->FieldName(), name)) return static_cast<int32_t>(i);
  }
  return -1;
}

TField& TTableDataSet::FieldByName(std::string_view name) const {
  TField* field = FindField(name);
  if (field == nullptr) ThrowPrefixed(FormatMessage(msg::kFieldNotFound, {name}));
  return *field;
}

void TTableDataSet::BindFields() {
  std::vector<TFieldDef> defs;
  defs.reserve(table_->Descriptors().size());
  for (const TDbfDescriptor& column : table_->Descriptors()) {
    const TFieldType type = FieldTypeOfColumn(column, large_integer_as_);
    if (type == TFieldType::ftUnknown) continue;
    defs.push_back(
        {column.name, type, type == TFieldType::ftString ? column.width : 0, column.number});
  }
  if (fields_.empty()) {
    for (const TFieldDef& def : defs) {
      std::unique_ptr<TField> field =
          MakeField(*this, def.name, def.type, def.size, TFieldKind::fkData);
      field->field_no_ = def.field_no;
      field->created_at_open_ = true;
      fields_.push_back(std::move(field));
    }
  } else {
    for (const auto& field : fields_) {
      if (field->Calculated()) continue;
      auto def = std::find_if(defs.begin(), defs.end(), [&](const TFieldDef& d) {
        return SameNameIgnoringCase(d.name, field->FieldName());
      });
      if (def == defs.end()) {
        ThrowPrefixed(FormatMessage(msg::kFieldNotFound, {field->FieldName()}));
      }
      if (CompatibilityGroup(def->type) != CompatibilityGroup(field->DataType())) {
        ThrowPrefixed(FormatMessage(
            msg::kTypeMismatch,
            {field->FieldName(), FieldTypeName(field->DataType()), FieldTypeName(def->type)}));
      }
      field->field_no_ = def->field_no;
    }
  }
  calc_area_size_ = 0;
  for (const auto& field : fields_) {
    if (!field->Calculated()) continue;
    field->calc_offset_ = calc_area_size_;
    calc_area_size_ += 1 + field->CalcPayloadSize();
  }
}

void TTableDataSet::DestroyCreatedFields() {
  std::erase_if(products_, [](const TProduct& p) {
    return p.result->created_at_open_ || p.a->created_at_open_ || p.b->created_at_open_;
  });
  std::erase_if(fields_, [](const std::unique_ptr<TField>& f) { return f->created_at_open_; });
  for (const auto& field : fields_) field->field_no_ = 0;
}

bool TTableDataSet::HasCalcFields() const { return calc_area_size_ > 0; }

// ---- Opening and closing -----------------------------------------------------

void TTableDataSet::Open() {
  if (Active()) return;
  if (table_name_.empty()) throw EDatabaseError(msg::kTableNameMissing);
  table_name_ = WithDefaultExtension(table_name_, ".DBF");
  {
    TDiskFile probe(table_name_);
    if (!probe.Exists()) throw EDatabaseError(FormatMessage(msg::kCannotFindFile, {table_name_}));
  }
  table_ = std::make_unique<TDataSetTable>(*this, table_name_, !exclusive_, !read_only_);
  try {
    table_->SetTranslate(translate_ascii_);
    table_->SetAutoFlush(auto_flush_);
    table_->SetUseDeleted(use_deleted_);
    table_->SetWriterIdentity(user_id_);
    BindFields();
    window_.Resize(views_.Capacity());
    window_.Allocate(static_cast<size_t>(table_->RecordLength()) + 1,
                     static_cast<size_t>(calc_area_size_));
    for (const TPreparedFilter& prepared : prepared_filters_) {
      try {
        table_->PrepareFilter(Translate(prepared.text, true),
                              (prepared.options & foCaseInsensitive) != 0,
                              (prepared.options & foNoPartialCompare) == 0);
      } catch (const std::exception&) {
        // Not a text for this table (a column it lacks): no shortcut here.
      }
    }
    if (filtered_) {
      table_->SetFilterActive(true);
      table_->SetFilterExpression(Translate(filter_, true),
                                  (filter_options_ & foCaseInsensitive) != 0,
                                  (filter_options_ & foNoPartialCompare) == 0);
    }
    EmptyWindow();
    pending_first_ = true;
    pending_last_ = false;
    Fill();
    FillBackward();
    bof_ = true;
  } catch (...) {
    window_.Release();
    table_.reset();
    DestroyCreatedFields();
    throw;
  }
  visible_.Forget();
  all_rows_.Forget();
  kept_sums_.valid = false;
  prefix_index_.reset();
  SetState(TDataSetState::dsBrowse);
  DataChanged();
  NotifyViews([](TDataSetView& v) { v.VisibleRowsReset(); });
}

void TTableDataSet::Close() {
  if (!Active()) return;
  if (record_locked_) table_->Unlock();
  record_locked_ = false;
  modified_ = false;
  EmptyWindow();
  window_.Release();
  peek_row_.reset();
  table_.reset();
  DestroyCreatedFields();
  visible_.Forget(true);
  all_rows_.Forget(true);
  kept_sums_ = {};
  prefix_index_.reset();
  SetState(TDataSetState::dsInactive);
  DataChanged();
  NotifyViews([](TDataSetView& v) { v.VisibleRowsReset(); });
}

// ---- Editing -------------------------------------------------------------------

void TTableDataSet::LeaveEditing() {
  if (state_ != TDataSetState::dsEdit && state_ != TDataSetState::dsInsert) return;
  if (modified_) {
    Post();
  } else {
    Cancel();
  }
}

void TTableDataSet::Edit() {
  CheckActive();
  if (state_ == TDataSetState::dsEdit || state_ == TDataSetState::dsInsert) return;
  if (window_.Empty()) {
    Insert();
    return;
  }
  CheckCanModify();
  if (BeforeEdit) BeforeEdit(*this);
  TRowBuffer& row = *window_.ActiveRow();
  {
    TBufferLoan loan(*table_, row.record.data());
    table_->GotoRecord(row.recno);
  }
  cursor_index_ = window_.Active();
  if (!table_->LockRecord(row.recno)) throw EDatabaseError(msg::kRecordLocked);
  record_locked_ = true;
  CalculateFields(row, true);
  modified_ = false;
  SetState(TDataSetState::dsEdit);
  DataChanged();
  if (AfterEdit) AfterEdit(*this);
}

void TTableDataSet::Insert() {
  CheckActive();
  LeaveEditing();
  CheckCanModify();
  PrepareNewRow(false);
}

void TTableDataSet::Append() {
  CheckActive();
  LeaveEditing();
  CheckCanModify();
  PrepareNewRow(true);
}

void TTableDataSet::PrepareNewRow(bool append) {
  if (BeforeScroll) BeforeScroll(*this);
  if (append) EmptyWindow();
  // The new row takes the active position; when the window is full its last
  // row leaves.
  TRowBuffer& row = window_.InsertScratchAtActive();
  {
    TBufferLoan loan(*table_, row.record.data());
    table_->BlankRecord();
  }
  std::fill(row.calc.begin(), row.calc.end(), 0);
  row.recno = 0;
  row.flag = append ? TBookmarkFlag::kAfterLast : TBookmarkFlag::kInserted;
  row.bookmark.fill(0);
  cursor_index_ = -1;
  bof_ = false;
  eof_ = false;
  modified_ = false;
  SetState(TDataSetState::dsInsert);
  DataChanged();
  if (AfterScroll) AfterScroll(*this);
}

void TTableDataSet::Post() {
  CheckActive();
  if (state_ != TDataSetState::dsEdit && state_ != TDataSetState::dsInsert) return;
  if (BeforePost) BeforePost(*this);
  PositionOn(window_.Active());
  TRowBuffer& row = *window_.ActiveRow();
  {
    TBufferLoan loan(*table_, row.record.data());
    if (state_ == TDataSetState::dsEdit) {
      table_->WriteRecord(row.recno);
    } else {
      table_->AppendRecord();
    }
  }
  if (record_locked_) table_->Unlock();
  record_locked_ = false;
  cursor_index_ = -1;
  pending_first_ = false;
  pending_last_ = false;
  modified_ = false;
  SetState(TDataSetState::dsBrowse);
  Resync(false);
  if (AfterPost) AfterPost(*this);
}

void TTableDataSet::Cancel() {
  CheckActive();
  if (state_ != TDataSetState::dsEdit && state_ != TDataSetState::dsInsert) return;
  const bool inserting = state_ == TDataSetState::dsInsert;
  if (BeforeCancel) BeforeCancel(*this);
  if (inserting && BeforeScroll) BeforeScroll(*this);
  if (record_locked_) table_->Unlock();
  record_locked_ = false;
  modified_ = false;
  if (inserting && !window_.Empty()) {
    // The new row never reached the file: it leaves the window, the rows
    // after it move back, and the window is read again around the row that
    // was current before the insert.
    window_.RemoveActive();
    cursor_index_ = -1;
    if (!window_.Empty()) PositionOn(window_.Active());
  }
  SetState(TDataSetState::dsBrowse);
  Resync(false);
  if (AfterCancel) AfterCancel(*this);
  if (inserting && AfterScroll) AfterScroll(*this);
}

int32_t TTableDataSet::ZeroOnVisibleRows(TField& field) {
  CheckActive();
  LeaveEditing();
  const TFieldType type = field.DataType();
  const bool numeric = type == TFieldType::ftSmallint || type == TFieldType::ftInteger ||
                       type == TFieldType::ftLargeint || type == TFieldType::ftFloat;
  const bool plain = numeric && !field.Calculated() && !field.ReadOnly() && field.FieldNo() > 0 &&
                     &field.DataSet() == this && !BeforeEdit && !AfterEdit && !BeforePost &&
                     !AfterPost && !BeforeScroll && !AfterScroll;
  int32_t written = 0;
  if (!plain) {
    for (First(); !Eof(); Next()) {
      Edit();
      field.SetAsFloat(0);
      Post();
      ++written;
    }
    return written;
  }
  // The rows the loop would visit: those shown now, since a row it writes
  // either stays where it was or leaves the filter behind the cursor.
  const TVisibleRows& shown = VisibleRows();
  std::vector<int32_t> records(static_cast<size_t>(shown.Count()));
  for (int32_t i = 0; i < shown.Count(); ++i) records[static_cast<size_t>(i)] = shown.RecordAt(i);
  if (!records.empty()) CheckCanModify();
  const size_t length = static_cast<size_t>(table_->RecordLength());
  std::vector<uint8_t> record(length + 1);
  cursor_index_ = -1;
  try {
    for (int32_t recno : records) {
      // As Edit: the bytes on disk, under the record's lock.
      ReadStored(recno, record.data());
      if (!table_->LockRecord(recno)) throw EDatabaseError(msg::kRecordLocked);
      record_locked_ = true;
      {
        TBufferLoan loan(*table_, record.data());
        table_->PutNumber(field.FieldNo(), 0);
        table_->WriteRecord(recno);
      }
      table_->Unlock();
      record_locked_ = false;
      ++written;
    }
  } catch (...) {
    if (record_locked_) table_->Unlock();
    record_locked_ = false;
    First();
    throw;
  }
  First();
  return written;
}

void TTableDataSet::ReadStored(int32_t recno, uint8_t* into) {
  const int64_t length = table_->RecordLength();
  const int64_t offset = table_->HeaderLength() + static_cast<int64_t>(recno - 1) * length;
  if (const uint8_t* mapped = table_->MappedBytes(offset + length)) {
    std::memcpy(into, mapped + offset, static_cast<size_t>(length));
  } else {
    table_->ReadExactAt(offset, into, static_cast<size_t>(length));
  }
}

// ---- Calculated fields and field access ------------------------------------

void TTableDataSet::CalculateFields(TRowBuffer& row, bool enter_calc_state) {
  if (!HasCalcFields()) return;
  std::fill(row.calc.begin(), row.calc.end(), 0);
  if (!OnCalcFields) return;
  TRowBuffer* previous_buffer = calc_buffer_;
  const TDataSetState previous_state = state_;
  calc_buffer_ = &row;
  if (enter_calc_state) state_ = TDataSetState::dsCalcFields;
  struct Restore {
    TTableDataSet& ds;
    TRowBuffer* buffer;
    TDataSetState state;
    ~Restore() {
      ds.calc_buffer_ = buffer;
      ds.state_ = state;
    }
  } restore{*this, previous_buffer, previous_state};
  OnCalcFields(*this);
}

TRowBuffer* TTableDataSet::FieldRow() const {
  if (state_ == TDataSetState::dsCalcFields || calc_buffer_ != nullptr) return calc_buffer_;
  if (peek_target_ != nullptr) return peek_target_;
  return window_.ActiveRow();
}

uint8_t* TTableDataSet::FieldRecord() const {
  if (!table_) return nullptr;
  if (state_ == TDataSetState::dsFilter) return table_->RecordBuffer();
  TRowBuffer* row = FieldRow();
  return row ? row->record.data() : nullptr;
}

uint8_t* TTableDataSet::FieldCalcArea() const {
  if (!table_ || state_ == TDataSetState::dsFilter) return nullptr;
  TRowBuffer* row = FieldRow();
  return row && !row->calc.empty() ? row->calc.data() : nullptr;
}

void TTableDataSet::AfterFieldSet(TField& field) {
  if (!field.Calculated()) {
    modified_ = true;
    if (auto_calc_fields_ && calc_buffer_ == nullptr && !window_.Empty()) {
      CalculateFields(*window_.ActiveRow(), false);
    }
  } else if (calc_buffer_ != nullptr) {
    return;  // values computed by OnCalcFields are not field changes
  }
  NotifyViews([&](TDataSetView& v) { v.FieldChanged(field); });
}

// ---- Filter ------------------------------------------------------------------

void TTableDataSet::ApplyFilter(const std::string& text, TFilterOptions options) {
  try {
    table_->SetFilterExpression(Translate(text, true), (options & foCaseInsensitive) != 0,
                                (options & foNoPartialCompare) == 0);
  } catch (...) {
    // The table object stands wherever the failed scan left it.
    cursor_index_ = -1;
    ResetVisibleRows();
    throw;
  }
  ResetVisibleRows();
}

void TTableDataSet::SetFilter(const std::string& text) {
  if (Active() && filtered_) {
    LeaveEditing();
    table_->SetFilterActive(true);
    ApplyFilter(text, filter_options_);
    First();
  }
  filter_ = text;
}

void TTableDataSet::SetFilterOptions(TFilterOptions value) {
  if (Active() && filtered_) {
    LeaveEditing();
    table_->SetFilterActive(true);
    ApplyFilter(filter_, value);
    First();
  }
  filter_options_ = value;
}

void TTableDataSet::PrepareFilter(const std::string& text, TFilterOptions options) {
  for (const TPreparedFilter& prepared : prepared_filters_) {
    if (prepared.text == text && prepared.options == options) return;
  }
  prepared_filters_.push_back({text, options});
  if (!Active()) return;
  try {
    table_->PrepareFilter(Translate(text, true), (options & foCaseInsensitive) != 0,
                          (options & foNoPartialCompare) == 0);
  } catch (const std::exception&) {
    // As at opening: the text only loses its shortcut.
  }
}

void TTableDataSet::SetFiltered(bool value) {
  if (!Active()) {
    filtered_ = value;
    return;
  }
  LeaveEditing();
  if (value != filtered_) {
    filtered_ = value;
    table_->SetFilterActive(value);
    if (value) {
      ApplyFilter(filter_, filter_options_);
    } else {
      ResetVisibleRows();
    }
  }
  First();
}

bool TTableDataSet::AcceptRecord() {
  if (state_ == TDataSetState::dsInactive || !filtered_ || !OnFilterRecord) return true;
  const TDataSetState previous = state_;
  state_ = TDataSetState::dsFilter;
  struct Restore {
    TTableDataSet& ds;
    TDataSetState state;
    ~Restore() { ds.state_ = state; }
  } restore{*this, previous};
  bool accept = true;
  OnFilterRecord(*this, accept);
  return accept;
}

// ---- Views -------------------------------------------------------------------

template <typename F>
void TTableDataSet::NotifyViews(F&& f) {
  if (disable_count_ > 0 || views_.Empty()) return;
  views_.Notify(std::forward<F>(f));
}

void TTableDataSet::DataChanged() {
  NotifyViews([](TDataSetView& v) { v.DataSetChanged(); });
}

void TTableDataSet::Scrolled(int32_t distance) {
  NotifyViews([&](TDataSetView& v) { v.DataSetScrolled(distance); });
}

void TTableDataSet::SetState(TDataSetState state) {
  if (state == state_) return;
  state_ = state;
  if (disable_count_ > 0) return;
  NotifyViews([](TDataSetView& v) { v.StateChanged(); });
}

void TTableDataSet::DisableControls() {
  if (disable_count_++ == 0) {
    state_when_disabled_ = state_;
    rows_changed_while_disabled_ = false;
  }
}

void TTableDataSet::EnableControls() {
  if (disable_count_ == 0) return;
  if (--disable_count_ > 0) return;
  if (state_ != state_when_disabled_) NotifyViews([](TDataSetView& v) { v.StateChanged(); });
  if (rows_changed_while_disabled_) {
    rows_changed_while_disabled_ = false;
    NotifyViews([](TDataSetView& v) { v.VisibleRowsReset(); });
  }
  if (state_when_disabled_ != TDataSetState::dsInactive && Active()) DataChanged();
}

void TTableDataSet::AttachView(TDataSetView* view) {
  views_.Attach(view);
  UpdateWindowCapacity();
}

void TTableDataSet::DetachView(TDataSetView* view) {
  views_.Detach(view);
  UpdateWindowCapacity();
}

void TTableDataSet::UpdateWindowCapacity() {
  const int32_t capacity = views_.Capacity();
  if (!Active()) {
    window_.Resize(capacity);
    return;
  }
  if (capacity == window_.Capacity()) return;
  SetCapacity(capacity);
}

int32_t TTableDataSet::WindowRecNo(int32_t row) const {
  if (row < 0 || row >= window_.Filled()) return 0;
  return window_.Row(row).recno;
}

void TTableDataSet::ResetVisibleRows(bool all_too) {
  visible_.Forget();
  if (all_too) {
    all_rows_.Forget();
    kept_sums_.valid = false;
  }
  if (disable_count_ > 0) rows_changed_while_disabled_ = true;
  NotifyViews([](TDataSetView& v) { v.VisibleRowsReset(); });
}

bool TTableDataSet::ShowsAllRows() const {
  return table_ != nullptr && !table_->FilterInForce() && (!filtered_ || !OnFilterRecord);
}

const TVisibleRows& TTableDataSet::VisibleRows() {
  CheckActive();
  if (ShowsAllRows()) {
    if (!all_rows_.Built()) {
      // One pass through large blocks that reads only the deletion flags
      // (and builds the prepared filters' sets on the way).
      std::vector<int32_t> records;
      records.reserve(static_cast<size_t>(std::max(table_->RecordCount(), 0)));
      TBufferLoan own(*table_, nullptr);
      try {
        table_->ScanLiveRecords([&](int n) { records.push_back(n); });
      } catch (...) {
        cursor_index_ = -1;
        throw;
      }
      records.shrink_to_fit();
      all_rows_.Build(std::move(records));
    }
    return all_rows_.Rows();
  }
  if (!visible_.Built()) {
    std::vector<int32_t> records;
    const THugeSet* matches = table_->MatchSet();
    const int64_t length = table_->RecordLength();
    const int32_t high = matches != nullptr ? matches->HighMark() : 0;
    const int32_t count = std::max(table_->RecordCount(), 0);
    const uint8_t* mapped =
        table_->FilterInForce() && !OnFilterRecord
            ? table_->MappedBytes(table_->HeaderLength() + static_cast<int64_t>(count) * length)
            : nullptr;
    if (mapped != nullptr) {
      // The members of the match set that are live, told by their deletion
      // flags in the mapped file: no record is read.
      const uint8_t* first = mapped + table_->HeaderLength();
      for (int32_t n = high >= 1 ? matches->NextMember(1, high) : 0; n > 0 && n <= count;
           n = n < high ? matches->NextMember(n + 1, high) : 0) {
        if (use_deleted_ || first[static_cast<int64_t>(n - 1) * length] != kDeletedFlag)
          records.push_back(n);
      }
    } else {
      ScanVisible([&](int32_t recno) { records.push_back(recno); });
    }
    visible_.Build(std::move(records));
  }
  return visible_.Rows();
}

bool TTableDataSet::RecordVisible(int32_t recno) {
  if (table_->FilterInForce() && !table_->MatchSet()->Contains(recno)) return false;
  if (table_->CurrentDeleted() && !use_deleted_) return false;
  return AcceptRecord();
}

void TTableDataSet::RecordWritten(int32_t recno) {
  // Row notices are not sent while controls are disabled, so views then
  // get one reset when they are enabled again.
  if (disable_count_ > 0) rows_changed_while_disabled_ = true;
  PrefixIndexWritten(recno);
  using TKind = TVisibleRowList::TChange::TKind;
  const bool all_shown = ShowsAllRows();
  TVisibleRowList::TChange change;
  if (all_rows_.Built()) {
    const TVisibleRowList::TChange live =
        all_rows_.RecordWritten(recno, !table_->CurrentDeleted() || use_deleted_);
    if (all_shown) change = live;
  }
  KeptSumsAfterWrite(recno);
  // Visibility is asked only of a built list: it may run OnFilterRecord.
  if (!all_shown && visible_.Built()) change = visible_.RecordWritten(recno, RecordVisible(recno));
  {
    if (change.kind == TKind::kInserted) {
      NotifyViews([&](TDataSetView& v) { v.VisibleRowInserted(change.row, recno); });
    } else if (change.kind == TKind::kRemoved) {
      NotifyViews([&](TDataSetView& v) { v.VisibleRowRemoved(change.row, recno); });
    }
  }
  NotifyViews([&](TDataSetView& v) { v.RecordWritten(recno); });
}

TRecordValues TTableDataSet::PeekRecord(int32_t recno) {
  CheckActive();
  if (recno < 1 || recno > table_->RecordCount()) ThrowPrefixed(msg::kRecordNotFound);
  TRecordValues result;
  result.recno = recno;
  TRowBuffer* active = window_.ActiveRow();
  const bool editing_this = active != nullptr && active->recno == recno &&
                            (state_ == TDataSetState::dsEdit || state_ == TDataSetState::dsInsert);
  if (!peek_row_) peek_row_ = window_.NewRow();
  TRowBuffer& row = editing_this ? *active : *peek_row_;
  if (!editing_this) {
    const size_t length = static_cast<size_t>(table_->RecordLength());
    const int64_t offset =
        table_->HeaderLength() + static_cast<int64_t>(recno - 1) * table_->RecordLength();
    table_->ReadExactAt(offset, row.record.data(), length);
    row.recno = recno;
    row.flag = TBookmarkFlag::kCurrent;
  }
  struct Restore {
    TRowBuffer*& target;
    ~Restore() { target = nullptr; }
  } restore{peek_target_};
  peek_target_ = &row;
  if (!editing_this) CalculateFields(row, true);
  result.deleted = row.record[0] == '*';
  result.values.reserve(fields_.size());
  for (const auto& field : fields_) {
    TFieldValue value;
    value.is_null = field->IsNull();
    value.text = field->AsString();
    switch (field->DataType()) {
      case TFieldType::ftString:
      case TFieldType::ftMemo:
      case TFieldType::ftBlob:
        break;
      default:
        value.number = field->AsFloat();
    }
    result.values.push_back(std::move(value));
  }
  return result;
}

}  // namespace zakaz::dbf
