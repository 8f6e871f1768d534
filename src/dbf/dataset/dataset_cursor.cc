// The dataset's navigation: fetching records into the row window's buffers
// (the window itself keeps them in order, dataset_row_window.h), the
// window steps, First/Last/MoveBy, re-synchronisation, record numbers,
// counts and bookmarks.
#include <cstdio>
#include <cstring>

#include "common/format_message.h"
#include "dbf/base/errors.h"
#include "dbf/dataset/dataset_internal.h"
#include "dbf/dataset/dataset_messages.h"
#include "dbf/dataset/dataset_table.h"
#include "dbf/dataset/table_dataset.h"

namespace zakaz::dbf {
namespace msg = dataset_messages;

// ---- Fetching ------------------------------------------------------------------

TTableDataSet::TFetchResult TTableDataSet::Fetch(TRowBuffer& row, TFetchMode mode, bool check) {
  TFetchResult result = TFetchResult::kOk;
  int move = 0;
  switch (mode) {
    case TFetchMode::kCurrent:
      if (pending_first_) {
        result = TFetchResult::kBeforeFirst;
      } else if (pending_last_) {
        result = TFetchResult::kAfterLast;
      } else {
        move = kGotoCurrent;
      }
      break;
    case TFetchMode::kNext:
      if (pending_first_) {
        move = kGotoFirst;
        pending_first_ = false;
      } else if (pending_last_) {
        result = TFetchResult::kAfterLast;
      } else {
        move = kGotoNext;
      }
      break;
    case TFetchMode::kPrior:
      if (pending_first_) {
        result = TFetchResult::kBeforeFirst;
      } else if (pending_last_) {
        move =
            (state_ == TDataSetState::dsInsert && window_.Active() != 0) ? kGotoPrior : kGotoLast;
        pending_last_ = false;
      } else {
        move = kGotoPrior;
      }
      break;
  }
  if (move != 0) {
    try {
      TBufferLoan loan(*table_, row.record.data());
      table_->GotoRecord(move);
    } catch (const std::exception&) {
      // Whatever failed inside the table object (a read error, a record
      // outside the table, a failing OnFilterRecord) ends this fetch.
      if (check) throw EDatabaseError(msg::kRecordBeyondRange);
      return TFetchResult::kError;
    }
  }
  // The flags the last move left take precedence over a pending result.
  if (table_->AtEOF()) {
    result = TFetchResult::kAfterLast;
  } else if (table_->AtBOF()) {
    result = TFetchResult::kBeforeFirst;
  } else if (move != 0) {
    result = TFetchResult::kOk;
  }
  if (result == TFetchResult::kOk) {
    row.recno = table_->CurrentRecord();
    row.flag = TBookmarkFlag::kCurrent;
    CalculateFields(row, true);
    WriteBookmark(row);
  }
  return result;
}

void TTableDataSet::WriteBookmark(TRowBuffer& row) {
  char text[16];
  std::snprintf(text, sizeof text, "%10d", row.recno);
  std::memcpy(row.bookmark.data(), text, 10);
  row.bookmark[10] = '\0';
}

// ---- Window steps --------------------------------------------------------------

void TTableDataSet::PositionOn(int32_t index) {
  if (cursor_index_ == index) return;
  TRowBuffer& row = window_.Row(index);
  cursor_index_ = -1;  // unknown until the move succeeds
  switch (row.flag) {
    case TBookmarkFlag::kBeforeFirst:
      pending_first_ = true;
      pending_last_ = false;
      break;
    case TBookmarkFlag::kAfterLast:
      table_->GotoRecord(kGotoLast);
      pending_last_ = true;
      break;
    default:
      table_->GotoRecord(row.recno);
      break;
  }
  cursor_index_ = index;
}

TTableDataSet::TFetchResult TTableDataSet::FetchForward() {
  if (!window_.Empty()) PositionOn(window_.Filled() - 1);
  cursor_index_ = -1;
  const TFetchResult result = Fetch(window_.Scratch(), TFetchMode::kNext, true);
  if (result != TFetchResult::kOk) return result;
  if (window_.Empty()) {
    bof_ = false;
    eof_ = false;
  }
  window_.AppendScratch();
  cursor_index_ = window_.Filled() - 1;
  return result;
}

TTableDataSet::TFetchResult TTableDataSet::FetchBackward() {
  if (!window_.Empty()) PositionOn(0);
  cursor_index_ = -1;
  const TFetchResult result = Fetch(window_.Scratch(), TFetchMode::kPrior, true);
  if (result != TFetchResult::kOk) return result;
  if (window_.Empty()) {
    bof_ = false;
    eof_ = false;
  }
  window_.PrependScratch();
  cursor_index_ = 0;
  return result;
}

void TTableDataSet::Fill() {
  while (window_.Filled() < window_.Capacity() && FetchForward() == TFetchResult::kOk) {
  }
}

void TTableDataSet::FillBackward() {
  while (window_.Filled() < window_.Capacity() && FetchBackward() == TFetchResult::kOk) {
  }
}

void TTableDataSet::EmptyWindow() {
  window_.Clear();
  cursor_index_ = -1;
  bof_ = true;
  eof_ = true;
}

void TTableDataSet::Resync(bool exact) {
  TRowBuffer& scratch = window_.Scratch();
  int32_t before = window_.Active();
  if (exact) {
    cursor_index_ = -1;
    if (Fetch(scratch, TFetchMode::kCurrent, true) != TFetchResult::kOk) {
      ThrowPrefixed(msg::kRecordNotFound);
    }
    before = (window_.Capacity() - 1) / 2;
  } else if (Fetch(scratch, TFetchMode::kCurrent, false) != TFetchResult::kOk &&
             Fetch(scratch, TFetchMode::kNext, false) != TFetchResult::kOk &&
             Fetch(scratch, TFetchMode::kPrior, false) != TFetchResult::kOk) {
    EmptyWindow();
    DataChanged();
    return;
  }
  window_.StartWithScratch();
  cursor_index_ = 0;
  bof_ = false;
  eof_ = false;
  for (int32_t i = 0; i < before; ++i) {
    if (FetchBackward() != TFetchResult::kOk) break;
  }
  Fill();
  FillBackward();
  DataChanged();
}

void TTableDataSet::SetCapacity(int32_t capacity) {
  LeaveEditing();
  window_.Resize(capacity);
  cursor_index_ = -1;
  if (!window_.Empty()) {
    Fill();
    FillBackward();
  }
  DataChanged();
}

// ---- Navigation ------------------------------------------------------------------

void TTableDataSet::First() {
  CheckActive();
  LeaveEditing();
  if (BeforeScroll) BeforeScroll(*this);
  EmptyWindow();
  pending_first_ = true;
  pending_last_ = false;
  FetchForward();
  Fill();
  bof_ = true;
  eof_ = window_.Empty();
  DataChanged();
  if (AfterScroll) AfterScroll(*this);
}

void TTableDataSet::Last() {
  CheckActive();
  LeaveEditing();
  if (BeforeScroll) BeforeScroll(*this);
  EmptyWindow();
  table_->GotoRecord(kGotoLast);
  pending_last_ = true;
  pending_first_ = false;
  if (FetchBackward() == TFetchResult::kOk) FillBackward();
  eof_ = true;
  DataChanged();
  if (AfterScroll) AfterScroll(*this);
}

int32_t TTableDataSet::MoveBy(int32_t distance) {
  CheckActive();
  LeaveEditing();
  if (BeforeScroll) BeforeScroll(*this);
  if ((distance > 0 && eof_) || (distance < 0 && bof_)) return 0;
  bof_ = false;
  eof_ = false;
  const int32_t old_filled = window_.Filled();
  int32_t moved = 0;
  if (distance > 0) {
    while (moved < distance) {
      if (window_.Active() == window_.Filled() - 1) {
        if (FetchForward() != TFetchResult::kOk) {
          eof_ = true;
          break;
        }
        window_.SetActive(window_.Filled() - 1);
      } else {
        window_.SetActive(window_.Active() + 1);
      }
      ++moved;
    }
  } else {
    while (moved < -distance) {
      if (window_.Active() == 0) {
        if (FetchBackward() != TFetchResult::kOk) {
          bof_ = true;
          break;
        }
        window_.SetActive(0);
      } else {
        window_.SetActive(window_.Active() - 1);
      }
      ++moved;
    }
    moved = -moved;
  }
  if (window_.Filled() != old_filled) {
    DataChanged();
  } else {
    Scrolled(moved);
  }
  if (AfterScroll) AfterScroll(*this);
  return moved;
}

void TTableDataSet::Refresh() {
  CheckActive();
  LeaveEditing();
  if (!window_.Empty()) {
    PositionOn(window_.Active());
    TRowBuffer& row = *window_.ActiveRow();
    if (row.flag == TBookmarkFlag::kCurrent) {
      TBufferLoan loan(*table_, row.record.data());
      table_->GotoRecord(row.recno);
    }
  }
  if (table_->FilterInForce()) {
    try {
      table_->RebuildFilterSet();
    } catch (...) {
      cursor_index_ = -1;
      ResetVisibleRows();
      throw;
    }
    ResetVisibleRows();
  }
  cursor_index_ = -1;
  Resync(false);
}

// ---- Positions ---------------------------------------------------------------------

int32_t TTableDataSet::RecNo() const {
  CheckActive();
  if (state_ == TDataSetState::dsCalcFields && calc_buffer_ != nullptr) return calc_buffer_->recno;
  const TRowBuffer* row = window_.ActiveRow();
  return row != nullptr ? row->recno : 0;
}

void TTableDataSet::MoveToRecord(int32_t recno) {
  table_->GotoRecord(recno);
  pending_first_ = false;
  pending_last_ = false;
  cursor_index_ = -1;
}

void TTableDataSet::SetRecNo(int32_t value) {
  CheckActive();
  LeaveEditing();
  MoveToRecord(value);
  Resync(false);
  if (AfterScroll) AfterScroll(*this);
}

int32_t TTableDataSet::RecordCount() {
  CheckActive();
  if (!exact_count_) return table_->RecordCount();
  int32_t count = 0;
  ScanVisible([&](int32_t) { ++count; });
  return count;
}

void TTableDataSet::ScanVisible(const std::function<void(int32_t)>& on_record) {
  TBufferLoan own(*table_, nullptr);
  const int remembered = table_->CurrentRecord();
  try {
    TReadAheadScope read_ahead(*table_);
    table_->GotoRecord(kGotoFirst);
    while (!table_->AtEOF()) {
      on_record(table_->CurrentRecord());
      table_->GotoRecord(kGotoNext);
    }
  } catch (...) {
    cursor_index_ = -1;
    throw;
  }
  if (remembered > 0) {
    table_->GotoRecord(remembered);
  } else {
    cursor_index_ = -1;
  }
}

TBookmark TTableDataSet::GetBookmark() const {
  CheckActive();
  const TRowBuffer* row = window_.ActiveRow();
  return row != nullptr ? row->bookmark : TBookmark{};
}

void TTableDataSet::GotoBookmark(const TBookmark& bookmark) {
  CheckActive();
  LeaveEditing();
  if (BeforeScroll) BeforeScroll(*this);
  // The bookmark's text: blanks, then decimal digits, up to the NUL.
  const char* text = bookmark.data();
  size_t length = 0;
  while (length < bookmark.size() && text[length] != '\0') ++length;
  size_t at = 0;
  while (at < length && text[at] == ' ') ++at;
  int64_t recno = 0;
  bool valid = at < length;
  for (size_t i = at; i < length && valid; ++i) {
    if (text[i] < '0' || text[i] > '9') {
      valid = false;
    } else {
      recno = recno * 10 + (text[i] - '0');
    }
  }
  if (!valid) throw EDatabaseError(std::string(msg::kBookmarkInvalid) + table_name_);
  if (recno < 1 || recno > table_->RecordCount()) ThrowPrefixed(msg::kRecordNotFound);
  MoveToRecord(static_cast<int32_t>(recno));
  Resync(true);
  if (AfterScroll) AfterScroll(*this);
}

}  // namespace zakaz::dbf
