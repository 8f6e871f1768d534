#include "dbf/table/dbf_file.h"

#include <sys/time.h>
#include <time.h>

#include <algorithm>
#include <climits>
#include <cstring>

#include "common/ascii_text.h"
#include "common/file_path.h"
#include "common/format_message.h"
#include "dbf/base/errors.h"
#include "dbf/table/messages.h"

namespace zakaz::dbf {
namespace {

// Length of the area between the descriptors and the records: the
// terminator, plus 263 bytes for version 0x30.
int TrailerLength(uint8_t version) { return version == kVersionExtended ? 296 : 33; }

bool AcceptedVersion(uint8_t version) {
  switch (version) {
    case kVersionPlain:
    case kVersionPlain4:
    case kVersionExtended:
    case kVersionMemo:
    case kVersionMemo8B:
    case kVersionMemoF5:
      return true;
    default:
      return false;
  }
}

uint16_t Get16(const uint8_t* p) { return static_cast<uint16_t>(p[0] | (p[1] << 8)); }

uint32_t Get32(const uint8_t* p) {
  return static_cast<uint32_t>(p[0]) | (static_cast<uint32_t>(p[1]) << 8) |
         (static_cast<uint32_t>(p[2]) << 16) | (static_cast<uint32_t>(p[3]) << 24);
}

void Put32(uint8_t* p, uint32_t value) {
  for (int i = 0; i < 4; ++i) p[i] = static_cast<uint8_t>(value >> (8 * i));
}

// The size a version 0x30 column of a fixed-size binary type needs, 0 for
// the other types. Memo and picture columns hold a 4-byte block number there,
// whatever width the descriptor claims.
int BinarySize(uint8_t version, char type) {
  if (version != kVersionExtended) return 0;
  switch (type) {
    case 'I':
    case 'M':
    case 'G':
      return 4;
    case 'B':
    case 'T':
    case 'Y':
      return 8;
    default:
      return 0;
  }
}

}  // namespace

uint32_t ChangeStampOf(const LocalDateTime& time) {
  return ((static_cast<uint32_t>(time.hour) * 64 + static_cast<uint32_t>(time.minute)) * 64 +
          static_cast<uint32_t>(time.second)) *
             1024 +
         static_cast<uint32_t>(time.millisecond);
}

TDbfFile::TDbfFile(std::string_view file_name, bool shared, bool read_write, std::string_view)
    : TDiskFile(WithDefaultExtension(file_name, ".DBF")), clock_(LocalNow) {
  if (!Exists()) throw ETableError(FormatMessage(kFileNotFound, {Path()}));
  base_name_ = BaseName(Path());
  alias_ = AsciiUpper(base_name_);
  Open(shared, read_write);
  // A failed open must not leave the file open; the base destructor closes
  // the descriptor, and nothing here is dirty yet.
  ReadStructure();
  RefreshHeader();
  Notify(TNotifyEvent::kTableOpened, 0);
}

TDbfFile::~TDbfFile() { CloseQuietly(); }

void TDbfFile::ReadStructure() {
  ReadExactAt(0, header_.data(), kHeaderSize);
  version_ = header_[0];
  if (!AcceptedVersion(version_)) throw ETableError(FormatMessage(kInvalidHeader, {Path()}));
  header_length_ = Get16(&header_[8]);
  record_length_ = Get16(&header_[10]);
  table_flags_ = header_[28] & 0x07;
  change_stamp_ = Get32(&header_[16]);
  enciphered_ = header_[15] != 0;
  if (enciphered_) throw ETableEncryption(FormatMessage(kEncrypted, {Path()}));

  // Lengths that cannot hold the layout would make reads leave the header
  // or the record; such a header is refused rather than trusted.
  const int trailer = TrailerLength(version_);
  if (header_length_ < trailer || record_length_ < 1) {
    throw ETableError(FormatMessage(kInvalidHeader, {Path()}));
  }
  const int field_count = (header_length_ - trailer) / static_cast<int>(kDescriptorSize);
  std::vector<uint8_t> raw(static_cast<size_t>(field_count) * kDescriptorSize);
  if (!raw.empty()) ReadExactAt(kHeaderSize, raw.data(), raw.size());

  descriptors_.clear();
  descriptors_.reserve(static_cast<size_t>(field_count));
  int offset = 1;
  for (int i = 0; i < field_count; ++i) {
    TDbfDescriptor d;
    std::copy_n(raw.begin() + static_cast<std::ptrdiff_t>(i * kDescriptorSize), kDescriptorSize,
                d.raw.begin());
    const auto name_end = std::find(d.raw.begin(), d.raw.begin() + 11, 0);
    d.name.assign(reinterpret_cast<const char*>(d.raw.data()),
                  static_cast<size_t>(name_end - d.raw.begin()));
    d.type = static_cast<char>(d.raw[11]);
    if (d.type == 'C') {
      d.width = d.raw[16] + 256 * d.raw[17];
      d.decimals = 0;
    } else {
      d.width = d.raw[16];
      d.decimals = d.raw[17];
    }
    d.offset = offset;
    d.number = i + 1;
    if (d.width < BinarySize(version_, d.type)) {
      throw ETableError(FormatMessage(kInvalidHeader, {Path()}));
    }
    offset += d.width;
    descriptors_.push_back(std::move(d));
  }
  if (offset > record_length_) throw ETableError(FormatMessage(kInvalidHeader, {Path()}));

  const int64_t size = FileSize();
  const int64_t count = size > header_length_ ? (size - header_length_) / record_length_ : 0;
  record_count_ = static_cast<int>(std::min<int64_t>(count, INT_MAX));
  current_record_ = 0;
  at_eof_ = false;
  at_bof_ = true;

  const size_t buffer_size = static_cast<size_t>(record_length_) + 1;
  own_buffer_.assign(buffer_size, ' ');
  own_buffer_.back() = kEndMarker;
  spare_buffer_.assign(buffer_size, ' ');
  changed_columns_.assign(descriptors_.size() + 1, 0);
  record_buffer_ = own_buffer_.data();
  header_dirty_ = false;
}

void TDbfFile::Notify(TNotifyEvent event, int) {
  if (event == TNotifyEvent::kAfterRead || event == TNotifyEvent::kAfterWrite) {
    record_changed_ = false;
  }
}

void TDbfFile::RefreshHeader() {
  if (!Shared()) {
    changed_by_others_ = false;
    return;
  }
  std::array<uint8_t, kHeaderSize> fresh{};
  ReadExactAt(0, fresh.data(), kHeaderSize);
  const int64_t size = FileSize();
  const int64_t count = size > header_length_ ? (size - header_length_) / record_length_ : 0;
  const int new_count = static_cast<int>(std::min<int64_t>(count, INT_MAX));
  const uint32_t stamp = Get32(&fresh[16]);
  if (new_count != record_count_ || stamp != change_stamp_) changed_by_others_ = true;
  record_count_ = new_count;
  change_stamp_ = stamp;
}

void TDbfFile::WriteHeader() {
  if (!ReadWrite() || !header_dirty_ || table_locked_ || Closed()) return;
  const LocalDateTime now = clock_();
  change_stamp_ = ChangeStampOf(now);
  std::array<uint8_t, kHeaderSize> image = header_;
  image[1] = static_cast<uint8_t>(now.year % 100);
  image[2] = static_cast<uint8_t>(now.month);
  image[3] = static_cast<uint8_t>(now.day);
  Put32(&image[4], static_cast<uint32_t>(record_count_));
  image[15] = enciphered_ ? 1 : 0;
  Put32(&image[16], change_stamp_);
  Put32(&image[20], static_cast<uint32_t>(writer_identity_));
  image[28] = table_flags_;
  WriteAt(0, image.data(), kHeaderSize);
  header_ = image;
  header_dirty_ = false;
}

void TDbfFile::ReadRecordInto(int target) {
  Notify(TNotifyEvent::kBeforeRead, target);
  // Read into the spare buffer first: a short read then leaves the record
  // buffer as it was instead of half overwritten.
  const size_t length = static_cast<size_t>(record_length_);
  if (ReadAt(RecordOffset(target), spare_buffer_.data(), length) != length) {
    throw ETableError(FormatMessage(kReadError, {Path()}));
  }
  std::memcpy(record_buffer_, spare_buffer_.data(), length);
  current_record_ = target;
  Notify(TNotifyEvent::kAfterRead, target);
  ClearChangedColumns();
}

void TDbfFile::GotoRecord(int position) {
  if (record_count_ == 0) {
    RefreshHeader();
    if (record_count_ == 0) {
      at_eof_ = true;
      at_bof_ = true;
      return;
    }
  }
  if (position == 0) return;
  at_eof_ = false;
  at_bof_ = false;
  int target = position;
  switch (position) {
    case kGotoCurrent:
      target = current_record_;
      break;
    case kGotoLast:
      target = record_count_;
      break;
    case kGotoFirst:
      target = 1;
      break;
    case kGotoPrior:
      target = current_record_ - 1;
      if (target <= 0) {
        at_bof_ = true;
        return;
      }
      break;
    case kGotoNext:
      target = current_record_ == INT_MAX ? INT_MAX : current_record_ + 1;
      break;
    default:
      if (position < 1) {
        throw ETableError(FormatMessage(kRecordNotInTable, {position, Path()}));
      }
  }
  if (target < 1) {
    // Reading "the current record again" before any read: nothing to read.
    at_bof_ = true;
    return;
  }
  if (target > record_count_) {
    RefreshHeader();
    if (target > record_count_) {
      if (target == record_count_ + 1) {
        at_eof_ = true;
        return;
      }
      throw ETableError(FormatMessage(kRecordNotInTable, {target, Path()}));
    }
  }
  ReadRecordInto(target);
}

void TDbfFile::AppendRecord() {
  LockHeader();
  struct Unlocker {
    TDbfFile* file;
    ~Unlocker() {
      try {
        file->UnlockTable();
      } catch (const ETableError&) {
        // Only shared opens can fail to unlock; the write's own failure, if
        // any, is the one worth reporting.
      }
    }
  } unlocker{this};
  Notify(TNotifyEvent::kBeforeWrite, 0);
  record_changed_ = true;
  header_dirty_ = true;
  RefreshHeader();
  record_buffer_[0] = kLiveFlag;
  const int target = record_count_ + 1;
  // The record and its end marker go out in one write; they are put
  // together in the spare buffer because a lent buffer's byte after the
  // record belongs to the dataset, not to the marker.
  const size_t length = static_cast<size_t>(record_length_);
  std::memcpy(spare_buffer_.data(), record_buffer_, length);
  spare_buffer_[length] = kEndMarker;
  // The count grows only once the record is in the file, so a failed append
  // (a full disk) is not counted in the header written later.
  WriteAt(RecordOffset(target), spare_buffer_.data(), length + 1);
  record_count_ = target;
  current_record_ = target;
  WriteHeader();
  at_eof_ = false;
  at_bof_ = false;
  Notify(TNotifyEvent::kAfterWrite, target);
  if (auto_flush_) Flush();
}

void TDbfFile::WriteRecord(int n) {
  Notify(TNotifyEvent::kBeforeWrite, n);
  if (n > record_count_ || n < 1) {
    AppendRecord();
    return;
  }
  header_dirty_ = true;
  WriteAt(RecordOffset(n), record_buffer_, static_cast<size_t>(record_length_));
  current_record_ = n;
  RefreshHeader();
  WriteHeader();
  Notify(TNotifyEvent::kAfterWrite, n);
  if (auto_flush_) Flush();
}

bool TDbfFile::LockHeader() { return LockRegion(2147483646, 1); }

bool TDbfFile::LockAllRecords() {
  if (!LockRegion(1073741824, 1073741823)) return false;
  table_locked_ = true;
  return true;
}

bool TDbfFile::LockTable() {
  if (!LockFile()) return false;
  table_locked_ = true;
  return true;
}

void TDbfFile::UnlockTable() {
  Unlock();
  if (LockCount() == 0) {
    const bool was_locked = table_locked_;
    table_locked_ = false;
    if (was_locked) WriteHeader();
  }
}

bool TDbfFile::LockRecord(int n) { return LockRegion(1073741824 + RecordOffset(n), 1); }

void TDbfFile::Flush() {
  TDiskFile::Flush();
  Notify(TNotifyEvent::kAfterFlush, 0);
}

void TDbfFile::Rename(std::string_view new_name) {
  TDiskFile::Rename(WithDefaultExtension(new_name, ".DBF"));
  base_name_ = BaseName(Path());
  alias_ = AsciiUpper(base_name_);
}

void TDbfFile::Close() {
  if (Closed()) return;
  if (header_dirty_) {
    RefreshHeader();
    table_locked_ = false;
    WriteHeader();
  }
  RestoreRecordBuffer();
  TDiskFile::Close();
}

void TDbfFile::CloseQuietly() noexcept {
  try {
    Close();
  } catch (const ETableError&) {
    // A destructor cannot report; the header is rewritten by the next write,
    // and the count is derived from the file size anyway.
    TDiskFile::Close();
  }
}

void TDbfFile::LendRecordBuffer(uint8_t* buffer) {
  record_buffer_ = buffer != nullptr ? buffer : own_buffer_.data();
}

void TDbfFile::RestoreRecordBuffer() { record_buffer_ = own_buffer_.data(); }

bool TDbfFile::ColumnChanged(int n) const {
  return n >= 0 && n < static_cast<int>(changed_columns_.size()) && changed_columns_[n] != 0;
}

void TDbfFile::MarkColumnChanged(int n) {
  if (n >= 0 && n < static_cast<int>(changed_columns_.size())) changed_columns_[n] = 1;
}

void TDbfFile::MarkAllColumnsChanged() {
  std::fill(changed_columns_.begin(), changed_columns_.end(), 1);
}

void TDbfFile::ClearChangedColumns() {
  std::fill(changed_columns_.begin(), changed_columns_.end(), 0);
}

}  // namespace zakaz::dbf
