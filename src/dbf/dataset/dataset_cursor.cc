// The dataset's row window and navigation: fetching records into row
// buffers, the window steps, First/Last/MoveBy, re-synchronisation, record
// numbers, counts and bookmarks.
#include <algorithm>
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
        move = (state_ == TDataSetState::dsInsert && active_ != 0) ? kGotoPrior : kGotoLast;
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
  TRowBuffer& row = *rows_[static_cast<size_t>(index)];
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
  if (filled_ > 0) PositionOn(filled_ - 1);
  cursor_index_ = -1;
  TRowBuffer& scratch = *rows_[static_cast<size_t>(capacity_)];
  const TFetchResult result = Fetch(scratch, TFetchMode::kNext, true);
  if (result != TFetchResult::kOk) return result;
  if (filled_ == capacity_) {
    // The first row leaves; its buffer becomes the scratch buffer.
    std::rotate(rows_.begin(), rows_.begin() + 1, rows_.end());
  } else {
    std::swap(rows_[static_cast<size_t>(filled_)], rows_[static_cast<size_t>(capacity_)]);
    if (filled_ == 0) {
      active_ = 0;
      bof_ = false;
      eof_ = false;
    }
    ++filled_;
  }
  cursor_index_ = filled_ - 1;
  return result;
}

TTableDataSet::TFetchResult TTableDataSet::FetchBackward() {
  if (filled_ > 0) PositionOn(0);
  cursor_index_ = -1;
  TRowBuffer& scratch = *rows_[static_cast<size_t>(capacity_)];
  const TFetchResult result = Fetch(scratch, TFetchMode::kPrior, true);
  if (result != TFetchResult::kOk) return result;
  // The scratch buffer joins at the front; the slot after the window (or the
  // last row, when the window is full) becomes the scratch buffer.
  std::rotate(rows_.begin(), rows_.begin() + capacity_, rows_.end());
  if (filled_ == 0) {
    filled_ = 1;
    active_ = 0;
    bof_ = false;
    eof_ = false;
  } else if (filled_ < capacity_) {
    ++filled_;
    ++active_;
  }
  cursor_index_ = 0;
  return result;
}

void TTableDataSet::Fill() {
  while (filled_ < capacity_ && FetchForward() == TFetchResult::kOk) {
  }
}

void TTableDataSet::EmptyWindow() {
  filled_ = 0;
  active_ = 0;
  cursor_index_ = -1;
  bof_ = true;
  eof_ = true;
}

void TTableDataSet::Resync(bool exact) {
  TRowBuffer& scratch = *rows_[static_cast<size_t>(capacity_)];
  int32_t before = active_;
  if (exact) {
    cursor_index_ = -1;
    if (Fetch(scratch, TFetchMode::kCurrent, true) != TFetchResult::kOk) {
      ThrowPrefixed(msg::kRecordNotFound);
    }
    before = (capacity_ - 1) / 2;
  } else if (Fetch(scratch, TFetchMode::kCurrent, false) != TFetchResult::kOk &&
             Fetch(scratch, TFetchMode::kNext, false) != TFetchResult::kOk &&
             Fetch(scratch, TFetchMode::kPrior, false) != TFetchResult::kOk) {
    EmptyWindow();
    DataChanged();
    return;
  }
  std::swap(rows_[0], rows_[static_cast<size_t>(capacity_)]);
  filled_ = 1;
  active_ = 0;
  cursor_index_ = 0;
  bof_ = false;
  eof_ = false;
  for (int32_t i = 0; i < before; ++i) {
    if (FetchBackward() != TFetchResult::kOk) break;
  }
  Fill();
  while (filled_ < capacity_ && FetchBackward() == TFetchResult::kOk) {
  }
  DataChanged();
}

void TTableDataSet::SetCapacity(int32_t capacity) {
  LeaveEditing();
  std::unique_ptr<TRowBuffer> scratch = std::move(rows_.back());
  rows_.pop_back();
  if (capacity > capacity_) {
    while (static_cast<int32_t>(rows_.size()) < capacity) rows_.push_back(NewRow());
  } else {
    // Keep the active row: drop rows before it first, then after it.
    const int32_t drop_front = std::max(0, active_ - (capacity - 1));
    if (drop_front > 0) {
      std::rotate(rows_.begin(), rows_.begin() + drop_front, rows_.end());
      filled_ -= drop_front;
      active_ -= drop_front;
    }
    filled_ = std::min(filled_, capacity);
    rows_.resize(static_cast<size_t>(capacity));
  }
  rows_.push_back(std::move(scratch));
  capacity_ = capacity;
  cursor_index_ = -1;
  if (filled_ > 0) {
    Fill();
    while (filled_ < capacity_ && FetchBackward() == TFetchResult::kOk) {
    }
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
  eof_ = filled_ == 0;
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
  if (FetchBackward() == TFetchResult::kOk) {
    while (filled_ < capacity_ && FetchBackward() == TFetchResult::kOk) {
    }
  }
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
  const int32_t old_filled = filled_;
  int32_t moved = 0;
  if (distance > 0) {
    while (moved < distance) {
      if (active_ == filled_ - 1) {
        if (FetchForward() != TFetchResult::kOk) {
          eof_ = true;
          break;
        }
        active_ = filled_ - 1;
      } else {
        ++active_;
      }
      ++moved;
    }
  } else {
    while (moved < -distance) {
      if (active_ == 0) {
        if (FetchBackward() != TFetchResult::kOk) {
          bof_ = true;
          break;
        }
        active_ = 0;
      } else {
        --active_;
      }
      ++moved;
    }
    moved = -moved;
  }
  if (filled_ != old_filled) {
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
  if (filled_ > 0) {
    PositionOn(active_);
    TRowBuffer& row = *rows_[static_cast<size_t>(active_)];
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
  if (filled_ == 0) return 0;
  return rows_[static_cast<size_t>(active_)]->recno;
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
  if (filled_ == 0) return TBookmark{};
  return rows_[static_cast<size_t>(active_)]->bookmark;
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
