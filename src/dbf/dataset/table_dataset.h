// TTableDataSet: the dataset through which the windows see one table file.
//
// It opens the table through a TDataSetTable (the engine's table object with
// the cursor layer), offers the columns as typed fields (dataset_fields.h),
// keeps a window of buffered rows around the current row for the attached
// views (dataset_view.h), turns field edits into record writes, narrows the
// rows to a filter expression, and copies its structure and records into new
// tables.
//
// Ownership: the dataset owns its table object while it is open, and with it
// the file handle, the compiled filter and its match set; closing (or
// destroying the dataset) releases them. It owns its fields. Views are not
// owned. Failures are EDatabaseError (dataset), ETableError (engine) and
// EExpressionError (filter texts); nothing is caught here except where a
// fetch turns an engine failure into "Record request beyond range of table".
// Single-threaded.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "dbf/dataset/dataset_attached_views.h"
#include "dbf/dataset/dataset_fields.h"
#include "dbf/dataset/dataset_row_window.h"
#include "dbf/dataset/dataset_view.h"
#include "dbf/dataset/dataset_visible_rows.h"

namespace zakaz::dbf {

class TDataSetTable;
class TPrefixIndex;
struct TRowBuffer;

enum class TDataSetState { dsInactive, dsBrowse, dsEdit, dsInsert, dsCalcFields, dsFilter };
enum class TLargeIntegerAs { asInteger, asLargeInt, asFloat };

// FilterOptions is a set of these flags.
using TFilterOptions = unsigned;
inline constexpr TFilterOptions foCaseInsensitive = 1;
inline constexpr TFilterOptions foNoPartialCompare = 2;

// The record number as decimal text right-aligned in 10 characters, blank
// padded, NUL-terminated: comparing two bookmarks as text orders them like
// their record numbers.
using TBookmark = std::array<char, 11>;

class TTableDataSet {
 public:
  using TDataSetEvent = std::function<void(TTableDataSet&)>;

  // `name` is the dataset's name, put in front of the prefixed messages.
  explicit TTableDataSet(std::string name = "");
  ~TTableDataSet();
  TTableDataSet(const TTableDataSet&) = delete;
  TTableDataSet& operator=(const TTableDataSet&) = delete;

  const std::string& Name() const { return name_; }

  // ---- Properties. Those marked "closed only" throw "Cannot perform this
  // operation on an open dataset" (prefixed) while open.
  const std::string& TableName() const { return table_name_; }
  void SetTableName(const std::string& value);  // closed only
  bool ReadOnly() const { return read_only_; }
  void SetReadOnly(bool value);
  bool Exclusive() const { return exclusive_; }
  void SetExclusive(bool value) { exclusive_ = value; }
  bool AutoFlush() const { return auto_flush_; }
  void SetAutoFlush(bool value);
  bool UseDeleted() const { return use_deleted_; }
  void SetUseDeleted(bool value);
  bool TranslateASCII() const { return translate_ascii_; }
  void SetTranslateASCII(bool value);
  TLargeIntegerAs LargeIntegerAs() const { return large_integer_as_; }
  void SetLargeIntegerAs(TLargeIntegerAs value) { large_integer_as_ = value; }
  int32_t UserID() const { return user_id_; }
  void SetUserID(int32_t value);
  bool ExactCount() const { return exact_count_; }
  void SetExactCount(bool value) { exact_count_ = value; }
  bool AutoCalcFields() const { return auto_calc_fields_; }
  void SetAutoCalcFields(bool value) { auto_calc_fields_ = value; }

  // ---- Filtering. A rejected text (does not compile, is not boolean, fails
  // at its first evaluation) leaves the filter out of force and forgotten;
  // the exception reaches the caller and the properties keep their old text.
  const std::string& Filter() const { return filter_; }
  void SetFilter(const std::string& text);
  bool Filtered() const { return filtered_; }
  void SetFiltered(bool value);
  TFilterOptions FilterOptions() const { return filter_options_; }
  void SetFilterOptions(TFilterOptions value);
  // A filter text the dataset compiles at every opening, beside whatever
  // filter is in force, and whose match set it builds during the first full
  // pass over the records (the rows shown without a filter, or another
  // filter's scan) and then keeps exact on every write: switching to that
  // text and those options later costs no scan. A text this table cannot
  // compile is left out, silently: it only loses the shortcut.
  void PrepareFilter(const std::string& text, TFilterOptions options = 0);

  // ---- Events; empty means unassigned.
  TDataSetEvent BeforeScroll, AfterScroll;
  TDataSetEvent BeforeEdit, AfterEdit, BeforePost, AfterPost, BeforeCancel, AfterCancel;
  TDataSetEvent OnCalcFields;
  std::function<void(TTableDataSet&, bool& accept)> OnFilterRecord;

  // ---- Fields.
  // Declares a field before the first opening; data fields bind to the
  // column of the same name (letter case ignored) when the dataset opens.
  TField& AddField(std::string name, TFieldType type, int32_t size = 0,
                   TFieldKind kind = TFieldKind::fkData);
  int32_t FieldCount() const { return static_cast<int32_t>(fields_.size()); }
  TField& Fields(int32_t index) const { return *fields_[static_cast<size_t>(index)]; }
  TField* FindField(std::string_view name) const;  // nullptr when absent
  // Place of the field `name` (letter case ignored) in the field list, which
  // is also its place in a record's values; -1 when absent.
  int32_t FieldIndex(std::string_view name) const;
  // Declares that OnCalcFields sets the calculated `result` to the value of
  // `a` times the value of `b` (fields of this dataset, read by their own
  // rules), so that SumVisible can compute it from those two columns
  // without calculating the row. Results and factors that are not stored
  // numbers leave SumVisible to calculate every row as before.
  void DeclareProduct(TField& result, const TField& a, const TField& b);
  TField& FieldByName(std::string_view name) const;  // "Field '%s' not found" (prefixed)

  // ---- Lifecycle.
  void Open();
  void Close();
  // Pushes what was written into the open table's file to the device, so a
  // crash or a power loss after the call cannot undo it. Throws "Error on
  // Flush for file %s".
  void FlushToDisk();
  bool Active() const { return state_ != TDataSetState::dsInactive; }
  void SetActive(bool value) { value ? Open() : Close(); }
  TDataSetState State() const { return state_; }

  // ---- Navigation.
  void First();
  void Last();
  void Next() { MoveBy(1); }
  void Prior() { MoveBy(-1); }
  int32_t MoveBy(int32_t distance);
  bool Eof() const { return eof_; }
  bool Bof() const { return bof_; }
  bool IsEmpty() const { return window_.Empty(); }

  // ---- Editing.
  bool CanModify() const;
  bool Modified() const { return modified_; }
  void Edit();
  void Insert();
  void Append();
  void Post();
  void Cancel();
  void Refresh();
  // Sets the numeric `field` to 0 on every row shown, as First, then Edit,
  // the field set to 0, Post and Next until Eof would (every record read
  // again before it is written, written in place with the header after it,
  // the filter's set and the shown rows following each write), but without
  // refilling the row window after every row: it is filled once, at the
  // end, on the first row shown. Rows the filter in force no longer shows
  // afterwards are gone from the shown rows as after the loop. Where the
  // loop would do more (events assigned, a calculated, read-only or
  // non-numeric field), that loop runs instead. Fails as Edit and Post
  // fail; rows not reached keep their values. Returns the rows written.
  int32_t ZeroOnVisibleRows(TField& field);

  // ---- Positions.
  int32_t RecNo() const;
  void SetRecNo(int32_t value);
  int32_t RecordCount();
  TBookmark GetBookmark() const;
  void GotoBookmark(const TBookmark& bookmark);
  bool IsSequenced() const { return !filtered_; }

  // ---- Views.
  void DisableControls();
  void EnableControls();
  bool ControlsDisabled() const { return disable_count_ > 0; }
  void AttachView(TDataSetView* view);
  void DetachView(TDataSetView* view);
  // Takes the window capacity again from the attached views.
  void UpdateWindowCapacity();
  int32_t WindowCapacity() const { return window_.Capacity(); }
  int32_t WindowRowCount() const { return window_.Filled(); }
  int32_t ActiveWindowRow() const { return window_.Active(); }
  // Record number of window row `row` (0 <= row < WindowRowCount()).
  int32_t WindowRecNo(int32_t row) const;
  // The visible-row list (dataset_view.h); requires an open dataset.
  const TVisibleRows& VisibleRows();
  // The values of record `recno` without moving the cursor or the window.
  // The active row being edited gives its unposted values. Requires an open
  // dataset and 1 <= recno <= the table's record count.
  TRecordValues PeekRecord(int32_t recno);

  // ---- Scans of the shown rows (dataset_scan.cc). Both read the records
  // VisibleRows() lists in blocks of consecutive records, with no read per
  // row and without moving the cursor or the window; the row being edited
  // counts with its unposted values. Requires an open dataset.
  //
  // Sums of the numeric fields with indices `fields` (Fields() order,
  // calculated fields included): each value is rounded to four decimals
  // (currency arithmetic) and the totals are returned in units of 1/10000.
  //
  // When every summed field is a stored number or a declared product
  // (DeclareProduct), only those columns are decoded, and the sums of the
  // rows shown without a filter are kept with the list of every row and
  // brought up to date by every write (what the record added before, out;
  // what it adds now, in), so asking again costs no pass until the table
  // is closed. DropKeptSums forgets them (measurements of the pass).
  std::vector<int64_t> SumVisible(const std::vector<int32_t>& fields);
  void DropKeptSums();
  // Position in VisibleRows() of the first row, from the top, whose field
  // `field` (read as text, in the program's code page) begins with
  // `prefix`; Latin and Cyrillic letters are compared without regard to
  // case. -1 when no row does; an empty prefix matches the first row. A
  // stored string column is searched through an index of the records'
  // first bytes, built by the first search of an opening (one pass over
  // the file) and kept while the table is written; other fields read every
  // shown row.
  int32_t FindVisiblePrefix(int32_t field, std::string_view prefix);
  // Builds that index for `field` now, when it is missing and the field is
  // a stored string column, so that the next search finds it ready (a
  // window calls it when it is idle after opening). A failure to read the
  // file is left for the search itself to report.
  void PrepareSearch(int32_t field);
  // Calls `on_row` with the record number of each shown row, from the top,
  // while the fields read that row (the row being edited with its unposted
  // values); calculated fields are not computed. `on_row` must not move the
  // cursor or change the table; returning false stops the walk.
  void ScanShownRows(const std::function<bool(int32_t recno)>& on_row);
  // ---- End of the scans of the shown rows.

  // ---- Code pages. Through AnsiToOemTable (to_oem) or OemToAnsiTable when
  // TranslateASCII is set, unchanged otherwise; same length.
  std::string Translate(std::string_view source, bool to_oem) const;
  // The same on a zero-terminated text, up to its terminator; `source` and
  // `destination` may be one buffer.
  void Translate(const char* source, char* destination, bool to_oem) const;

  // ---- Copying.
  // Writes `file_name` (".DBF" added when it has no extension) as a new empty
  // table with this dataset's columns. index_option 0: no index.
  void CopyStructure(const std::string& file_name, int index_option = 0);
  // Appends the current record, byte for byte, to the open `destination`
  // and moves it to the new record; this dataset stays on the copied record.
  void CopyRecordTo(TTableDataSet& destination);

  // The table object while open, nullptr while closed (tools and tests).
  TDataSetTable* Table() const { return table_.get(); }

 private:
  friend class TField;
  friend class TDataSetTable;
  // How SumVisible reads a list of fields from a record's stored bytes.
  struct TSumPlan {
    std::vector<int32_t> fields;
    std::vector<const TField*> columns;
    // Per column, where its text lies in a record (width 0: not a text
    // number column, read through the field) and how the field keeps it.
    struct TColumnText {
      size_t offset = 0;
      size_t width = 0;
      TFieldType type = TFieldType::ftFloat;
    };
    std::vector<TColumnText> texts;
    std::vector<std::pair<size_t, size_t>> picks;  // per sum: column times column
    std::vector<double> values;                    // per column, and a 1 behind
  };
  struct TKeptSums {
    TSumPlan plan;
    std::vector<int64_t> sums;
    bool valid = false;
  };
  enum class TFetchResult { kOk, kBeforeFirst, kAfterLast, kError };
  enum class TFetchMode { kCurrent, kNext, kPrior };

  // table_dataset.cc
  void CheckActive() const;
  void CheckInactive() const;
  [[noreturn]] void ThrowPrefixed(const std::string& text) const;
  void CheckCanModify() const;
  void BindFields();
  void DestroyCreatedFields();
  bool HasCalcFields() const;
  void LeaveEditing();
  void PrepareNewRow(bool append);
  void CalculateFields(TRowBuffer& row, bool enter_calc_state);
  TRowBuffer* FieldRow() const;
  uint8_t* FieldRecord() const;
  uint8_t* FieldCalcArea() const;
  void AfterFieldSet(TField& field);
  void ApplyFilter(const std::string& text, TFilterOptions options);
  bool AcceptRecord();
  template <typename F>
  void NotifyViews(F&& f);
  void DataChanged();
  void Scrolled(int32_t distance);
  void SetState(TDataSetState state);
  // `all_too`: also the list of every live row kept for the unfiltered view.
  void ResetVisibleRows(bool all_too = false);
  // No filter in force and nothing for OnFilterRecord to ask: the rows shown
  // are every live record (all with UseDeleted).
  bool ShowsAllRows() const;
  bool RecordVisible(int32_t recno);
  void RecordWritten(int32_t recno);
  void RecordToBeWritten(int32_t recno) { KeptSumsBeforeWrite(recno); }

  // dataset_scan.cc: calls `on_row` with each visible row (`record`: its
  // stored bytes in the block read, or nullptr for the row being edited,
  // which the fields then read); `load` says whether the other rows are
  // also copied into the row the fields read, and calculated there too.
  // Returning false stops the walk.
  enum class TRowLoad { kInBlock, kCopied, kCalculated };
  // `prefetch_at`: the offset in a record of the bytes the walk reads
  // first (-1: unknown).
  void ForEachVisibleRow(TRowLoad load,
                         const std::function<bool(int32_t position, const uint8_t* record)>& on_row,
                         int32_t prefetch_at = -1);
  // Records first .. first + run - 1 as stored: in place in `mapped` (the
  // mapped file, or nullptr), else read into `block`.
  const uint8_t* StoredRun(const uint8_t* mapped, int32_t first, int32_t run,
                           std::vector<uint8_t>& block);
  // The search index over string field `field`, built when missing.
  const TPrefixIndex& PrefixIndex(int32_t field);
  // The index key of the column bytes `bytes` (`width` of them) as string
  // field of size `size` reads them; `folded` receives the folded bytes.
  using TSearchFold = std::array<unsigned char, 256>;
  static uint64_t KeyOfStored(const uint8_t* bytes, size_t width, int32_t size,
                              const TSearchFold& fold, unsigned char* folded);
  // Byte by byte, how the search folds stored bytes.
  TSearchFold SearchFold() const;
  static std::string_view StoredText(const uint8_t* bytes, size_t width, int32_t size);
  // Record `recno` (in the table's record buffer) was written: the index
  // is dropped when it no longer holds the record under its key.
  void PrefixIndexWritten(int32_t recno);
  // False when a field is neither a stored number nor a declared product.
  bool PlanSums(const std::vector<int32_t>& fields, TSumPlan& plan) const;
  // Adds (sign +1) or takes away (-1) what the record image `record` adds
  // to `sums`.
  void AddShare(TSumPlan& plan, const uint8_t* record, std::vector<int64_t>& sums, int sign);
  // The kept sums around a write of record `recno`: before it, what the
  // record added leaves them; after it, what it adds now joins them.
  void KeptSumsBeforeWrite(int32_t recno);
  void KeptSumsAfterWrite(int32_t recno);
  // Record `recno` as stored (RecordLength() bytes into `into`), from the
  // mapped file when it is mapped.
  void ReadStored(int32_t recno, uint8_t* into);

  // dataset_cursor.cc: the row window.
  TFetchResult Fetch(TRowBuffer& row, TFetchMode mode, bool check);
  void PositionOn(int32_t row);
  TFetchResult FetchForward();
  TFetchResult FetchBackward();
  void Fill();          // fetches forward until the window is full or the table ends
  void FillBackward();  // the same backward, before the window's first row
  void EmptyWindow();
  void Resync(bool exact);
  void SetCapacity(int32_t capacity);
  void MoveToRecord(int32_t recno);
  void ScanVisible(const std::function<void(int32_t)>& on_record);
  static void WriteBookmark(TRowBuffer& row);

  std::string name_;
  std::string table_name_;
  bool read_only_ = false;
  bool exclusive_ = false;
  bool auto_flush_ = false;
  bool use_deleted_ = false;
  bool translate_ascii_ = true;
  TLargeIntegerAs large_integer_as_ = TLargeIntegerAs::asLargeInt;
  int32_t user_id_ = 0;
  bool exact_count_ = false;
  bool auto_calc_fields_ = true;
  std::string filter_;
  bool filtered_ = false;
  TFilterOptions filter_options_ = 0;

  std::vector<std::unique_ptr<TField>> fields_;
  int32_t calc_area_size_ = 0;
  std::unique_ptr<TDataSetTable> table_;
  TDataSetState state_ = TDataSetState::dsInactive;
  bool modified_ = false;

  TRowWindow window_;
  // The window row the table object stands on, -1 when unknown.
  int32_t cursor_index_ = -1;
  bool bof_ = true;
  bool eof_ = true;
  bool pending_first_ = false;
  bool pending_last_ = false;
  TRowBuffer* calc_buffer_ = nullptr;  // row being computed (calculated fields)
  bool record_locked_ = false;
  std::unique_ptr<TRowBuffer> peek_row_;
  TRowBuffer* peek_target_ = nullptr;

  TAttachedViews views_;
  int32_t disable_count_ = 0;
  TDataSetState state_when_disabled_ = TDataSetState::dsInactive;
  bool rows_changed_while_disabled_ = false;
  // The rows shown under a filter, and apart from it the list of every live
  // row: kept (and kept exact by every write) while filters come and go, so
  // that switching the filter off costs no pass over the table.
  TVisibleRowList visible_;
  TVisibleRowList all_rows_;
  std::unique_ptr<TPrefixIndex> prefix_index_;
  struct TPreparedFilter {
    std::string text;
    TFilterOptions options;
  };
  std::vector<TPreparedFilter> prepared_filters_;
  struct TProduct {
    const TField* result;
    const TField* a;
    const TField* b;
  };
  std::vector<TProduct> products_;
  TKeptSums kept_sums_;
  std::vector<uint8_t> old_record_;  // a record's bytes before it is written
};

// Keeps the views of `dataset` from being told anything for the guard's
// lifetime (DisableControls), and tells them once when it ends, on every
// way out: a walk over the rows or a run of writes that fails half-way
// still gives the grid back its updates.
class TControlsPause {
 public:
  explicit TControlsPause(TTableDataSet& dataset) : dataset_(dataset) {
    dataset_.DisableControls();
  }
  ~TControlsPause() { dataset_.EnableControls(); }
  TControlsPause(const TControlsPause&) = delete;
  TControlsPause& operator=(const TControlsPause&) = delete;

 private:
  TTableDataSet& dataset_;
};

}  // namespace zakaz::dbf
