#include "dbf/dataset/dataset_row_window.h"

#include <algorithm>

#include "dbf/dataset/dataset_internal.h"

namespace zakaz::dbf {

TRowWindow::TRowWindow() = default;
TRowWindow::~TRowWindow() = default;

void TRowWindow::Allocate(size_t record_bytes, size_t calc_bytes) {
  record_bytes_ = record_bytes;
  calc_bytes_ = calc_bytes;
  rows_.clear();
  rows_.reserve(static_cast<size_t>(capacity_) + 1);
  for (int32_t i = 0; i <= capacity_; ++i) rows_.push_back(NewRow());
  Clear();
}

void TRowWindow::Release() {
  rows_.clear();
  Clear();
}

std::unique_ptr<TRowBuffer> TRowWindow::NewRow() const {
  auto row = std::make_unique<TRowBuffer>();
  row->record.assign(record_bytes_, ' ');
  row->calc.assign(calc_bytes_, 0);
  return row;
}

void TRowWindow::Resize(int32_t capacity) {
  if (rows_.empty()) {
    capacity_ = capacity;
    return;
  }
  std::unique_ptr<TRowBuffer> scratch = std::move(rows_.back());
  rows_.pop_back();
  if (capacity > capacity_) {
    while (static_cast<int32_t>(rows_.size()) < capacity) rows_.push_back(NewRow());
  } else {
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
}

TRowBuffer* TRowWindow::ActiveRow() const {
  return filled_ > 0 ? rows_[static_cast<size_t>(active_)].get() : nullptr;
}

void TRowWindow::Clear() {
  filled_ = 0;
  active_ = 0;
}

void TRowWindow::AppendScratch() {
  if (filled_ == capacity_) {
    std::rotate(rows_.begin(), rows_.begin() + 1, rows_.end());
    return;
  }
  std::swap(rows_[static_cast<size_t>(filled_)], rows_.back());
  if (filled_ == 0) active_ = 0;
  ++filled_;
}

void TRowWindow::PrependScratch() {
  // The slot after the window (or the last row, when the window is full)
  // ends up last, as the scratch buffer.
  std::rotate(rows_.begin(), rows_.begin() + capacity_, rows_.end());
  if (filled_ == 0) {
    filled_ = 1;
    active_ = 0;
  } else if (filled_ < capacity_) {
    ++filled_;
    ++active_;
  }
}

void TRowWindow::StartWithScratch() {
  std::swap(rows_.front(), rows_.back());
  filled_ = 1;
  active_ = 0;
}

TRowBuffer& TRowWindow::InsertScratchAtActive() {
  std::unique_ptr<TRowBuffer> fresh = std::move(rows_.back());
  rows_.pop_back();
  const size_t leaving = static_cast<size_t>(filled_ == capacity_ ? filled_ - 1 : capacity_ - 1);
  std::unique_ptr<TRowBuffer> scratch = std::move(rows_[leaving]);
  rows_.erase(rows_.begin() + static_cast<std::ptrdiff_t>(leaving));
  if (filled_ == capacity_) --filled_;
  active_ = filled_ == 0 ? 0 : std::min(active_, filled_);
  rows_.insert(rows_.begin() + active_, std::move(fresh));
  rows_.push_back(std::move(scratch));
  ++filled_;
  return Row(active_);
}

void TRowWindow::RemoveActive() {
  std::unique_ptr<TRowBuffer> leaving = std::move(rows_[static_cast<size_t>(active_)]);
  rows_.erase(rows_.begin() + active_);
  rows_.push_back(std::move(leaving));
  --filled_;
  active_ = filled_ > 0 ? std::min(active_, filled_ - 1) : 0;
}

}  // namespace zakaz::dbf
