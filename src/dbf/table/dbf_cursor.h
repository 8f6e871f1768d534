// TDbfCursor: the cursor layer of the table engine, the fourth class of the
// chain TDiskFile -> TDbfFile -> TDbfColumns -> TDbfCursor.
//
// It adds to the record layer the moves a dataset makes (first, next, prior,
// last, the current record again) with deleted and rejected records passed
// over, the table's filter (a compiled expression and the set of matching
// record numbers, kept exact by every write whether or not the filter is in
// force), and the read-ahead block full scans read through.
//
// The cursor owns its compiled expressions and match sets; they die with it.
// MatchSet() is the set of the expression in force at the moment it is
// asked (a change of text may bring back a kept set): ask again after
// SetFilterExpression. Every failure throws ETableError or EExpressionError.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "dbf/base/huge_set.h"
#include "dbf/table/dbf_columns.h"

namespace zakaz::dbf {

class TExpHandler;
class TExpUserLink;

class TDbfCursor : public TDbfColumns {
 public:
  // Opens the table as TDbfFile does. Read-ahead is allowed from here on.
  TDbfCursor(std::string_view file_name, bool shared, bool read_write);
  ~TDbfCursor() override;

  // The move: a record number 1..RecordCount() is read without any test; the
  // relative positions (kGotoFirst, kGotoNext, kGotoPrior, kGotoLast,
  // kGotoCurrent) pass over deleted records (unless UseDeleted()) and records
  // AcceptRecord rejects, in their direction (first and current going forward,
  // last backward). While the filter is in force, first, next, prior and last
  // take their target from the match set; the current record is re-read
  // without consulting it. AtEOF()/AtBOF() tell when nothing was found; the
  // buffer and CurrentRecord() then keep what they held.
  void GotoRecord(int position) override;
  // Part of the write path: the matching of the written record is brought up
  // to date after every in-place write and append (kAfterWrite).
  void AppendRecord() override;
  void WriteRecord(int n) override;
  void Notify(TNotifyEvent event, int value) override;
  // Served from the read-ahead block while read-ahead is on.
  size_t ReadAt(int64_t offset, void* buffer, size_t count) override;
  void WriteAt(int64_t offset, const void* buffer, size_t count) override;

  // The per-record test of relative moves; accepts every record here.
  virtual bool AcceptRecord();

  // ---- Filter.
  // Compiles `text` (already in the table's code page) and, when it is new
  // or the options changed, rebuilds the match set with one scan. An empty
  // text discards the expression. A text that fails to compile, is not
  // boolean ("Filter expression must return boolean result") or fails while
  // the scan evaluates it is discarded and forgotten before the exception
  // leaves: no expression, empty set, filter not in force; the position of
  // the table is then unspecified.
  void SetFilterExpression(std::string_view text, bool case_insensitive, bool partial_compare);
  // Whether the owner wants filtering; the filter is in force only when it
  // does and an expression with at least one operand is compiled.
  void SetFilterActive(bool flag);
  // Rescans the whole table when the filter is in force.
  void RebuildFilterSet();
  // Re-evaluates the expression for the record in the buffer as record `n`
  // and sets or clears its bit; nothing without an expression. The kept
  // filters (below) follow the same record.
  void UpdateMatch(int n);

  // ---- Kept filters. A text replaced by another (or by an empty one) is
  // kept with its match set, and every write keeps that set exact as it
  // does the set in force; coming back to the text with the same options
  // takes the kept set instead of scanning. A few are kept, the oldest
  // dropped first.
  //
  // PrepareFilter compiles `text` (in the table's code page) as a kept
  // filter before it is ever in force: its set is built on the way by the
  // next full pass (a filter scan or ScanLiveRecords), so that the first
  // switch to it costs no scan either. Prepared filters are never dropped.
  // A text that does not compile or is not boolean throws and is not kept.
  void PrepareFilter(std::string_view text, bool case_insensitive, bool partial_compare);
  // Whether a switch to `text` with these options would take a kept set
  // (tests and benchmarks).
  bool HasKeptSet(std::string_view text, bool case_insensitive, bool partial_compare) const;
  // Visits every record a scan visits (live records, all with UseDeleted;
  // those AcceptRecord takes), in record order, through the read-ahead
  // block, with the record lent as the record buffer and CurrentRecord()
  // set; prepared sets not yet built are built on the way. The table then
  // stands on the record it stood on before.
  void ScanLiveRecords(const std::function<void(int n)>& on_record);

  bool FilterInForce() const { return filter_in_force_; }
  bool HasExpression() const;
  // nullptr before the first SetFilterExpression.
  const THugeSet* MatchSet() const { return match_set_.get(); }

  // ---- Read-ahead.
  // Turns read-ahead on (ignored unless it is allowed) or off. The block's
  // memory stays with the cursor between scans and grows with the table.
  void SetReadAhead(bool flag);
  bool ReadAhead() const { return read_ahead_; }
  // The most a block holds; a table with fewer records gets a smaller one.
  int32_t BlockSize() const { return block_size_; }

  // Records read from the table (kBeforeRead events), for tests and
  // benchmarks: a read served by the read-ahead block counts too.
  int64_t RecordReads() const { return record_reads_; }
  // Platform reads of record data (block refills and direct reads).
  int64_t PlatformReads() const { return platform_reads_; }

 private:
  // Step 2 of the move while the filter is in force: the target, or 0 when
  // the set has none (the flags are then set).
  int FilterTarget(int position);
  struct TKeptFilter {
    std::string text;
    bool case_insensitive = false;
    bool partial_compare = false;
    std::unique_ptr<TExpHandler> expression;  // none while a prepared one is in force
    std::unique_ptr<THugeSet> set;
    bool built = false;     // the set is exact (a prepared one starts unbuilt)
    bool prepared = false;  // never dropped
  };
  void Scan();
  // One pass over the records a scan visits; `into` gets the records the
  // expression in force matches (nullptr: none is evaluated), `on_record`
  // hears of each record visited.
  void ScanBlocks(THugeSet* into, const std::function<void(int)>* on_record);
  // The kept filter of that text and those options, or kept_.end().
  std::vector<TKeptFilter>::iterator FindKept(std::string_view text, bool case_insensitive,
                                              bool partial_compare);
  std::vector<TKeptFilter>::const_iterator FindKept(std::string_view text, bool case_insensitive,
                                                    bool partial_compare) const;
  // Moves the expression in force and its set among the kept filters.
  void KeepCurrent();
  // Whether the read-ahead block holds the record at `offset`; FillBlockAt
  // reads the block anew from there.
  bool BlockServes(int64_t offset) const;
  void FillBlockAt(int64_t offset);
  void DiscardExpression();
  bool Matches();

  bool filter_requested_ = false;
  bool filter_in_force_ = false;
  std::unique_ptr<TExpUserLink> link_;
  std::unique_ptr<TExpHandler> expression_;
  std::string expression_text_;
  std::unique_ptr<THugeSet> match_set_;
  std::vector<TKeptFilter> kept_;

  bool read_ahead_allowed_ = true;
  bool read_ahead_ = false;
  std::unique_ptr<uint8_t[]> block_;
  int32_t block_size_ = 0;
  int32_t fill_size_ = 0;       // bytes a fill asks for: the block without its spare byte
  int32_t block_capacity_ = 0;  // the largest fill the allocated block takes
  int64_t block_start_ = -1;
  int64_t block_end_ = -1;

  int64_t record_reads_ = 0;
  int64_t platform_reads_ = 0;
};

// Read-ahead for one walk through a table: turned on when the scope begins
// and put back as it was when the scope ends, also when the walk throws.
class TReadAheadScope {
 public:
  explicit TReadAheadScope(TDbfCursor& cursor) : cursor_(cursor), was_on_(cursor.ReadAhead()) {
    cursor_.SetReadAhead(true);
  }
  ~TReadAheadScope() { cursor_.SetReadAhead(was_on_); }
  TReadAheadScope(const TReadAheadScope&) = delete;
  TReadAheadScope& operator=(const TReadAheadScope&) = delete;

 private:
  TDbfCursor& cursor_;
  bool was_on_;
};

}  // namespace zakaz::dbf
