// The view interface of a TTableDataSet: what a grid (or a test) attaches to
// learn about changes, and what it may ask of the dataset beyond the current
// row.
//
// A view is attached with TTableDataSet::AttachView and detached with
// DetachView; the dataset does not own it, and a view must be detached before
// it is destroyed (the dataset forgets its views when it is destroyed itself).
// Notices arrive synchronously, on the one user-interface thread, after the
// dataset has finished the change; while DisableControls is in force none
// arrive, and EnableControls sends instead one state notice (when the state
// differs), one VisibleRowsReset (when the visible rows may have changed) and
// one data-changed notice. A handler may read the dataset (fields,
// window, VisibleRows, PeekRecord) but must not move it, edit it or change
// its window capacity (UpdateWindowCapacity): row notices arrive while a
// record is being written.
//
// Two ways of seeing the rows:
//  - the row window: the few buffered rows around the current row, as many as
//    the largest WindowRows() of the attached views (at least 1). This is what
//    navigation keeps and what field objects read.
//  - the visible-row list (TVisibleRows): the record numbers of every row that
//    First/Next would visit, in that order, with an exact count. It is built on
//    the first VisibleRows() call after an opening or a filter change (one
//    scan over the match set, or one read-ahead pass over the table when no
//    filter is in force) and then kept up to date record by record as rows are
//    posted, so a model over 100,000 rows can answer rowCount() and map a row
//    to a record number in constant time. Rows are read with PeekRecord,
//    which never moves the cursor or the window.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace zakaz::dbf {

class TField;

class TDataSetView {
 public:
  virtual ~TDataSetView() = default;

  // Rows this view shows at once. The dataset asks when the view is attached
  // and when TTableDataSet::UpdateWindowCapacity is called; 1 and more.
  virtual int32_t WindowRows() const { return 1; }

  // The window was rebuilt: opening, closing, First, Last, Post, Cancel,
  // Refresh, RecNo/GotoBookmark, a filter change, EnableControls.
  virtual void DataSetChanged() {}
  // The active row moved by `distance` rows (negative: backwards) and the
  // window kept its length; rows may have scrolled through it.
  virtual void DataSetScrolled(int32_t distance) { (void)distance; }
  // State() changed (inactive, browse, edit, insert).
  virtual void StateChanged() {}
  // A field of the row being edited got a new value (calculated fields that
  // followed from it included).
  virtual void FieldChanged(const TField& field) { (void)field; }

  // The visible-row list starts afresh (opening, closing, filter set,
  // switched or rebuilt). Ask VisibleRows() again for the count.
  virtual void VisibleRowsReset() {}
  // Record `recno` joined the list at position `row` (a post made it match,
  // an append) or left it from position `row` (a post made it stop matching).
  virtual void VisibleRowInserted(int32_t row, int32_t recno) { (void)row, (void)recno; }
  virtual void VisibleRowRemoved(int32_t row, int32_t recno) { (void)row, (void)recno; }
  // The stored bytes of record `recno` changed (it was posted); it may or may
  // not be in the visible list.
  virtual void RecordWritten(int32_t recno) { (void)recno; }
};

// The record numbers that a walk First, Next, ... would visit right now, in
// that order. Owned by the dataset; the reference from VisibleRows() stays
// valid until the dataset is closed, and its contents change only inside
// dataset operations (announced to views as above).
class TVisibleRows {
 public:
  int32_t Count() const { return static_cast<int32_t>(records_.size()); }
  // Requires 0 <= row < Count().
  int32_t RecordAt(int32_t row) const { return records_[static_cast<size_t>(row)]; }
  // Position of `recno` in the list, or -1 when it is not visible.
  int32_t RowOf(int32_t recno) const;

 private:
  friend class TVisibleRowList;   // the dataset's side, which builds and updates it
  std::vector<int32_t> records_;  // ascending record numbers
  bool built_ = false;
};

// The values of one record as PeekRecord read them: one entry per field of the
// dataset (TTableDataSet::Fields order), calculated fields included, already
// converted by the field's own read rules (strings translated to the program's
// code page). A self-contained copy; it does not follow later changes.
struct TFieldValue {
  bool is_null = true;
  std::string text;   // AsString
  double number = 0;  // AsFloat for numeric, boolean (0/1), date and date-time fields
};

struct TRecordValues {
  int32_t recno = 0;
  bool deleted = false;
  std::vector<TFieldValue> values;
};

}  // namespace zakaz::dbf
