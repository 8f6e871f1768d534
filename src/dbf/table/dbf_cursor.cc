#include "dbf/table/dbf_cursor.h"

#include <algorithm>
#include <cstring>
#include <memory>

#include "common/format_message.h"
#include "dbf/base/errors.h"
#include "dbf/expr/exp_handler.h"
#include "dbf/table/exp_dbf_link.h"
#include "dbf/table/messages.h"

namespace zakaz::dbf {
namespace {

constexpr int32_t kReadAheadBytes = 32768;
// Texts kept besides the prepared ones: the view modes switch between the
// order filter, a name filter and none.
constexpr size_t kKeptTexts = 2;

bool Evaluates(TExpHandler& expression) {
  const TExpValue value = expression.Evaluate();
  return value.kind == TExpValueKind::kBoolean && value.boolean;
}

}  // namespace

TDbfCursor::TDbfCursor(std::string_view file_name, bool shared, bool read_write)
    : TDbfColumns(file_name, shared, read_write) {
  const int32_t length = std::max(RecordLength(), 1);
  block_size_ = std::max(length, kReadAheadBytes / length * length);
}

TDbfCursor::~TDbfCursor() = default;

bool TDbfCursor::AcceptRecord() { return true; }

bool TDbfCursor::HasExpression() const {
  return expression_ != nullptr && expression_->HasExpression() && expression_->OperandCount() > 0;
}

int TDbfCursor::FilterTarget(int position) {
  const int32_t high = match_set_->HighMark();
  if (high < 1) {
    SetAtBOF(true);
    SetAtEOF(true);
    return 0;
  }
  int target = 0;
  switch (position) {
    case kGotoFirst:
      target = match_set_->NextMember(1, high);
      if (target == 0) SetAtEOF(true);
      break;
    case kGotoNext:
      target = match_set_->NextMember(CurrentRecord() + 1, high);
      if (target == 0) SetAtEOF(true);
      break;
    case kGotoPrior:
      target = match_set_->PriorMember(CurrentRecord() - 1, 1);
      if (target == 0) SetAtBOF(true);
      break;
    case kGotoLast:
      target = match_set_->PriorMember(high, 1);
      if (target == 0) SetAtBOF(true);
      break;
    default:
      break;
  }
  return target;
}

void TDbfCursor::GotoRecord(int position) {
  SetAtEOF(false);
  SetAtBOF(false);
  const int continuation = (position == kGotoFirst || position == kGotoCurrent) ? kGotoNext
                           : position == kGotoLast                              ? kGotoPrior
                                                                                : position;
  while (true) {
    if (filter_in_force_ && (position == kGotoFirst || position == kGotoNext ||
                             position == kGotoPrior || position == kGotoLast)) {
      position = FilterTarget(position);
      if (position == 0) return;
    }
    TDbfColumns::GotoRecord(position);
    if (AtEOF() || AtBOF()) return;
    if (continuation >= 0) return;  // a move to a given number takes the record as it is
    if ((!CurrentDeleted() || UseDeleted()) && AcceptRecord()) return;
    position = continuation;
  }
}

void TDbfCursor::AppendRecord() { TDbfColumns::AppendRecord(); }

void TDbfCursor::WriteRecord(int n) { TDbfColumns::WriteRecord(n); }

void TDbfCursor::Notify(TNotifyEvent event, int value) {
  TDbfColumns::Notify(event, value);
  if (event == TNotifyEvent::kBeforeRead) {
    ++record_reads_;
  } else if (event == TNotifyEvent::kAfterWrite) {
    UpdateMatch(CurrentRecord());
  }
}

bool TDbfCursor::Matches() { return Evaluates(*expression_); }

void TDbfCursor::UpdateMatch(int n) {
  if (n < 1) return;
  auto update = [n](TExpHandler& expression, THugeSet& set) {
    bool matches = false;
    try {
      matches = Evaluates(expression);
    } catch (const ETableError&) {
      // The record is already written and cannot be read as the filter
      // needs (a number column holding text): it does not match, and the
      // write that brought us here must not fail after the fact.
      matches = false;
    }
    if (matches) {
      set.Include(n);
    } else {
      set.Exclude(n);
    }
  };
  if (HasExpression() && match_set_ != nullptr) update(*expression_, *match_set_);
  for (TKeptFilter& kept : kept_) {
    if (kept.built) update(*kept.expression, *kept.set);
  }
}

std::vector<TDbfCursor::TKeptFilter>::iterator TDbfCursor::FindKept(std::string_view text,
                                                                    bool case_insensitive,
                                                                    bool partial_compare) {
  return std::find_if(kept_.begin(), kept_.end(), [&](const TKeptFilter& kept) {
    return kept.text == text && kept.case_insensitive == case_insensitive &&
           kept.partial_compare == partial_compare;
  });
}

std::vector<TDbfCursor::TKeptFilter>::const_iterator TDbfCursor::FindKept(
    std::string_view text, bool case_insensitive, bool partial_compare) const {
  return const_cast<TDbfCursor*>(this)->FindKept(text, case_insensitive, partial_compare);
}

bool TDbfCursor::HasKeptSet(std::string_view text, bool case_insensitive,
                            bool partial_compare) const {
  auto kept = FindKept(text, case_insensitive, partial_compare);
  return kept != kept_.end() && kept->built;
}

void TDbfCursor::KeepCurrent() {
  if (!HasExpression() || expression_text_.empty() || match_set_ == nullptr) return;
  auto same =
      FindKept(expression_text_, expression_->CaseInsensitive(), expression_->PartialCompare());
  if (same != kept_.end()) {
    // A prepared filter that was in force goes back to its place.
    same->expression = std::move(expression_);
    same->set = std::move(match_set_);
    same->built = true;
  } else {
    size_t plain = 0;
    for (const TKeptFilter& kept : kept_) plain += kept.prepared ? 0 : 1;
    if (plain >= kKeptTexts) {
      kept_.erase(std::find_if(kept_.begin(), kept_.end(),
                               [](const TKeptFilter& kept) { return !kept.prepared; }));
    }
    const bool case_insensitive = expression_->CaseInsensitive();
    const bool partial_compare = expression_->PartialCompare();
    kept_.push_back({expression_text_, case_insensitive, partial_compare, std::move(expression_),
                     std::move(match_set_), true, false});
  }
  expression_text_.clear();
  match_set_ = std::make_unique<THugeSet>();
}

void TDbfCursor::PrepareFilter(std::string_view text, bool case_insensitive, bool partial_compare) {
  if (text.empty() || FindKept(text, case_insensitive, partial_compare) != kept_.end()) return;
  if (expression_text_ == text && expression_ != nullptr &&
      expression_->CaseInsensitive() == case_insensitive &&
      expression_->PartialCompare() == partial_compare)
    return;
  if (!link_) link_ = std::make_unique<TExpDbfLink>(*this);
  auto expression = std::make_unique<TExpHandler>(link_.get());
  expression->SetCaseInsensitive(case_insensitive);
  expression->SetPartialCompare(partial_compare);
  expression->Compile(text);
  // The type is known once it has been evaluated, here on whatever the
  // record buffer holds.
  expression->Evaluate();
  if (expression->ResultType() != TExpValueType::kBoolean) throw ETableError(kFilterNotBoolean);
  kept_.push_back({std::string(text), case_insensitive, partial_compare, std::move(expression),
                   std::make_unique<THugeSet>(), false, true});
}

void TDbfCursor::SetFilterActive(bool flag) {
  filter_requested_ = flag;
  filter_in_force_ = flag && HasExpression();
}

void TDbfCursor::DiscardExpression() {
  expression_.reset();
  expression_text_.clear();
  if (match_set_) match_set_->Clear();
  filter_in_force_ = false;
}

void TDbfCursor::SetFilterExpression(std::string_view text, bool case_insensitive,
                                     bool partial_compare) {
  const bool requested = filter_requested_;
  filter_in_force_ = false;
  if (!match_set_) match_set_ = std::make_unique<THugeSet>();
  if (text.empty()) {
    KeepCurrent();
    DiscardExpression();
    SetFilterActive(requested);
    return;
  }
  if (expression_ != nullptr && text == expression_text_ &&
      expression_->CaseInsensitive() == case_insensitive &&
      expression_->PartialCompare() == partial_compare) {
    SetFilterActive(requested);
    return;
  }
  KeepCurrent();
  auto kept = FindKept(text, case_insensitive, partial_compare);
  if (kept != kept_.end() && kept->built) {
    // Kept exact by every write since it was last in force: no scan.
    expression_ = std::move(kept->expression);
    match_set_ = std::move(kept->set);
    expression_text_ = std::string(text);
    if (kept->prepared) {
      kept->built = false;  // its place waits for it (KeepCurrent)
      kept->expression = nullptr;
      kept->set = nullptr;
    } else {
      kept_.erase(kept);
    }
    SetFilterActive(requested);
    return;
  }
  if (!link_) link_ = std::make_unique<TExpDbfLink>(*this);
  expression_ = std::make_unique<TExpHandler>(link_.get());
  try {
    expression_text_ = std::string(text);
    match_set_->Clear();
    expression_->SetCaseInsensitive(case_insensitive);
    expression_->SetPartialCompare(partial_compare);
    expression_->Compile(text);
    expression_->Evaluate();
    if (expression_->ResultType() != TExpValueType::kBoolean) {
      throw ETableError(kFilterNotBoolean);
    }
    Scan();
  } catch (...) {
    // A rejected text must neither hide rows behind an empty set nor make a
    // later write fail: forget it entirely, then let the caller hear why.
    DiscardExpression();
    filter_requested_ = requested;
    throw;
  }
  SetFilterActive(requested);
}

void TDbfCursor::Scan() {
  const int remembered = CurrentRecord();
  {
    TReadAheadScope read_ahead(*this);
    ScanBlocks(match_set_.get(), nullptr);
  }
  if (remembered > 0) GotoRecord(remembered);
}

void TDbfCursor::ScanLiveRecords(const std::function<void(int n)>& on_record) {
  const int remembered = CurrentRecord();
  {
    TReadAheadScope read_ahead(*this);
    ScanBlocks(nullptr, &on_record);
  }
  if (remembered > 0) GotoRecord(remembered);
}

// The scan visits what the moves first, next, next, ... would visit (live
// records, or all with UseDeleted; those AcceptRecord takes), but evaluates
// each record where it lies in the read-ahead block instead of copying it
// into the record buffer first: the block is lent as the record buffer.
void TDbfCursor::ScanBlocks(THugeSet* into, const std::function<void(int)>* on_record) {
  // Prepared filters whose sets this pass builds; one that fails on a
  // record drops out of the pass and is scanned (and fails) on its own
  // when it is asked for.
  std::vector<TKeptFilter*> building;
  for (TKeptFilter& kept : kept_) {
    if (!kept.built && kept.expression != nullptr) {
      kept.set->Clear();
      building.push_back(&kept);
    }
  }
  const int64_t length = RecordLength();
  uint8_t* const own = RecordBuffer();
  struct Restore {
    TDbfCursor& cursor;
    uint8_t* buffer;
    ~Restore() { cursor.LendRecordBuffer(buffer); }
  } restore{*this, own};
  const int count = RecordCount();
  for (int n = 1; n <= count; ++n) {
    const int64_t offset = RecordOffset(n);
    // The block's last record slot is never served: it starts the next block,
    // so a lent record always has its spare byte behind it.
    if (!BlockServes(offset)) {
      FillBlockAt(offset);
      if (offset + length > block_end_) {
        throw ETableError(FormatMessage(kReadError, {Path()}));
      }
    }
    uint8_t* record = block_.get() + (offset - block_start_);
    ++record_reads_;
    if (record[0] == kDeletedFlag && !UseDeleted()) continue;
    LendRecordBuffer(record);
    SetCurrentRecord(n);
    if (!AcceptRecord()) continue;
    if (into != nullptr && Matches()) into->Include(n);
    for (TKeptFilter*& kept : building) {
      if (kept == nullptr) continue;
      try {
        if (Evaluates(*kept->expression)) kept->set->Include(n);
      } catch (const ETableError&) {
        kept = nullptr;
      }
    }
    if (on_record != nullptr) (*on_record)(n);
  }
  for (TKeptFilter* kept : building) {
    if (kept != nullptr) kept->built = true;
  }
}

void TDbfCursor::RebuildFilterSet() {
  if (!filter_in_force_) return;
  filter_in_force_ = false;
  match_set_->Clear();
  try {
    Scan();
  } catch (...) {
    DiscardExpression();
    throw;
  }
  SetFilterActive(true);
}

void TDbfCursor::SetReadAhead(bool flag) {
  if (flag) {
    if (!read_ahead_allowed_ || read_ahead_) return;
    // A small table gets a block of its own size: its records and one slot
    // more, the last slot (never served) holding the end marker, so a single
    // fill still serves every record. One byte more than a read fills: a
    // record lent from the block's end still has its spare byte. Only bytes
    // a read filled are ever served, so the block is neither cleared nor, when
    // it is large enough, allocated anew: a dataset scans at every filter and
    // every rebuild of its visible rows.
    const int64_t length = std::max(RecordLength(), 1);
    fill_size_ = static_cast<int32_t>(
        std::min<int64_t>(block_size_, (static_cast<int64_t>(RecordCount()) + 1) * length));
    if (block_capacity_ < fill_size_) {
      block_ = std::make_unique_for_overwrite<uint8_t[]>(static_cast<size_t>(fill_size_) + 1);
      block_capacity_ = fill_size_;
    }
    block_start_ = -1;
    block_end_ = -1;
    read_ahead_ = true;
  } else if (read_ahead_) {
    block_start_ = -1;
    block_end_ = -1;
    read_ahead_ = false;
  }
}

// The block's last record slot is never served: a read there starts the next
// block, so a record is never cut by the block's end.
bool TDbfCursor::BlockServes(int64_t offset) const {
  return block_start_ >= 0 && offset >= block_start_ && offset < block_end_ - RecordLength();
}

void TDbfCursor::FillBlockAt(int64_t offset) {
  const size_t got = TDbfColumns::ReadAt(offset, block_.get(), static_cast<size_t>(fill_size_));
  // The byte behind the last one read is the spare byte of a record lent
  // from the block's end.
  block_[got] = 0;
  ++platform_reads_;
  block_start_ = offset;
  block_end_ = offset + static_cast<int64_t>(got);
}

size_t TDbfCursor::ReadAt(int64_t offset, void* buffer, size_t count) {
  if (!read_ahead_ || offset < HeaderLength()) {
    if (offset >= HeaderLength()) ++platform_reads_;
    return TDbfColumns::ReadAt(offset, buffer, count);
  }
  if (!BlockServes(offset)) {
    FillBlockAt(offset);
    if (offset >= block_end_) return 0;
  }
  const size_t served =
      static_cast<size_t>(std::min<int64_t>(static_cast<int64_t>(count), block_end_ - offset));
  std::memcpy(buffer, block_.get() + (offset - block_start_), served);
  return served;
}

void TDbfCursor::WriteAt(int64_t offset, const void* buffer, size_t count) {
  TDbfColumns::WriteAt(offset, buffer, count);
  if (!read_ahead_ || block_start_ < 0) return;
  // Keep whatever part of the block the write covers in step with the file.
  const int64_t from = std::max(offset, block_start_);
  const int64_t to = std::min(offset + static_cast<int64_t>(count), block_end_);
  if (from < to) {
    std::memcpy(block_.get() + (from - block_start_),
                static_cast<const uint8_t*>(buffer) + (from - offset),
                static_cast<size_t>(to - from));
  }
}

}  // namespace zakaz::dbf
