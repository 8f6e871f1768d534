// The dataset's row window: the few buffered rows around the current row,
// plus one scratch buffer that a fetch fills before the row joins the window.
//
// Rows 0 .. Filled()-1 are the window, in table order; Active() is the
// current row among them. Buffers are never freed while the window is
// allocated: a row that leaves becomes the scratch buffer, so moving through
// a table allocates nothing. What a row holds and how it is fetched is the
// dataset's business; the window only keeps the buffers in order. References
// to rows stay valid until the next call that reorders the window.
// Single-threaded, owned by its dataset.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

namespace zakaz::dbf {

struct TRowBuffer;

class TRowWindow {
 public:
  TRowWindow();
  ~TRowWindow();
  TRowWindow(const TRowWindow&) = delete;
  TRowWindow& operator=(const TRowWindow&) = delete;

  // Capacity + 1 fresh, empty buffers of this shape: `record_bytes` of
  // blanks (the stored record and its spare byte) and `calc_bytes` zeros.
  void Allocate(size_t record_bytes, size_t calc_bytes);
  // Frees every buffer; the window is empty and keeps its capacity.
  void Release();
  // A buffer of the allocated shape, not part of the window.
  std::unique_ptr<TRowBuffer> NewRow() const;

  int32_t Capacity() const { return capacity_; }
  // Without buffers, only records the capacity. With buffers, the active row
  // stays: rows before it leave first, then rows after it. 1 and more.
  void Resize(int32_t capacity);

  int32_t Filled() const { return filled_; }
  bool Empty() const { return filled_ == 0; }
  int32_t Active() const { return active_; }
  // Requires 0 <= row < Filled() (or 0 on an empty window).
  void SetActive(int32_t row) { active_ = row; }
  // Requires 0 <= row < Filled().
  TRowBuffer& Row(int32_t row) const { return *rows_[static_cast<size_t>(row)]; }
  // nullptr on an empty window.
  TRowBuffer* ActiveRow() const;
  TRowBuffer& Scratch() const { return *rows_.back(); }

  // Empties the window; the buffers stay.
  void Clear();
  // The scratch buffer joins as the last row; when the window is full its
  // first row leaves (the active index stays, so the active row is then the
  // next one). On an empty window the new row is active.
  void AppendScratch();
  // The scratch buffer joins as the first row; the active row stays the
  // same row. When the window is full its last row leaves and the active
  // index stays (the active row is then the previous one).
  void PrependScratch();
  // The scratch buffer becomes the one row of the window, active.
  void StartWithScratch();
  // The scratch buffer joins at the active position and becomes the active
  // row; the rows from there on move down by one, and when the window is
  // full its last row leaves. Returns the new row.
  TRowBuffer& InsertScratchAtActive();
  // The active row leaves; the rows after it move up by one and the active
  // index stays, or steps back onto the last row. Requires a row.
  void RemoveActive();

 private:
  std::vector<std::unique_ptr<TRowBuffer>> rows_;  // rows_.back() is the scratch buffer
  size_t record_bytes_ = 0;
  size_t calc_bytes_ = 0;
  int32_t capacity_ = 1;
  int32_t filled_ = 0;
  int32_t active_ = 0;
};

}  // namespace zakaz::dbf
