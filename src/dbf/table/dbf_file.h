// TDbfFile: the header-and-records layer of the table engine. It opens a table
// file, checks its header and column descriptors, derives the record count
// from the file size, reads records by number into the record buffer, rewrites
// a record in place, appends records and keeps the header's date, count and
// change stamp current after every write.
//
// The object is open from construction to destruction; destroying it closes
// the table (rewriting the header only if a write left it dirty). The record
// buffer holds RecordLength() bytes plus one spare byte; it is the object's own
// buffer except while a dataset lends one of its row buffers
// (LendRecordBuffer). Descriptors and the header image live as long as the
// object. Every failure throws ETableError with the engine's message.
//
// The cursor layer derives from TDbfColumns (which derives from this class)
// and overrides the virtual hooks: ReadAt/WriteAt for a read-ahead block,
// GotoRecord/AppendRecord/WriteRecord to wrap them, Notify to follow reads
// (events 4, 6) and writes (5, 7, 8). The constructor reads the header and
// descriptors and raises kTableOpened before a derived layer exists, so
// those go through this class's own hooks.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "common/local_date_time.h"
#include "dbf/table/disk_file.h"

namespace zakaz::dbf {

// Version bytes the engine accepts (header byte 0).
inline constexpr uint8_t kVersionPlain = 0x03;
inline constexpr uint8_t kVersionPlain4 = 0x04;
inline constexpr uint8_t kVersionExtended = 0x30;  // header followed by 263 bytes
inline constexpr uint8_t kVersionMemo = 0x83;
inline constexpr uint8_t kVersionMemo8B = 0x8B;
inline constexpr uint8_t kVersionMemoF5 = 0xF5;

inline constexpr size_t kHeaderSize = 32;
inline constexpr size_t kDescriptorSize = 32;
inline constexpr uint8_t kHeaderTerminator = 0x0D;
inline constexpr uint8_t kEndMarker = 0x1A;
inline constexpr uint8_t kLiveFlag = ' ';
inline constexpr uint8_t kDeletedFlag = '*';

// Positions GotoRecord understands besides record numbers 1..RecordCount().
enum TGotoPosition : int {
  kGotoNext = -1,
  kGotoPrior = -2,
  kGotoFirst = -3,
  kGotoLast = -4,
  kGotoCurrent = -5,
};

// Events raised through Notify.
enum class TNotifyEvent : int {
  kRecordBlanked = 0,
  kTableOpened = 2,
  kBeforeRead = 4,
  kBeforeWrite = 5,
  kAfterRead = 6,
  kAfterWrite = 7,
  kAfterFlush = 8,
};

// One column descriptor as read from the file, with the values the engine
// derives from it.
struct TDbfDescriptor {
  std::array<uint8_t, kDescriptorSize> raw{};  // the 32 bytes as stored
  std::string name;                            // stored bytes up to the first zero byte
  char type = ' ';                             // type letter as stored
  int width = 0;                               // C: byte 16 + 256 * byte 17; other types: byte 16
  int decimals = 0;                            // byte 17; 0 for C
  int offset = 0;  // start within the record (the deletion flag is byte 0)
  int number = 0;  // column number, from 1
};

// The change stamp stored at header offset 16 for a moment of the day:
// ((hour * 64 + minute) * 64 + second) * 1024 + millisecond.
uint32_t ChangeStampOf(const LocalDateTime& time);

class TDbfFile : public TDiskFile {
 public:
  // Opens the table `file_name` (".DBF" added when it has no extension;
  // resolved against the working directory, letter case ignored). `key` is
  // for enciphered tables, which this system never opens.
  // Throws "File %s could not be found", "Access denied to file %s",
  // "Error on Read of file %s", "Table Header for %s is invalid" or
  // ETableEncryption "No Password for encrypted file %s".
  TDbfFile(std::string_view file_name, bool shared, bool read_write, std::string_view key = {});
  ~TDbfFile() override;

  // Record operations. `position`: 1..RecordCount() reads that record; the
  // TGotoPosition values move relative to the current record; 0 does nothing.
  // Throws "Record number %d is not in table %s" for a number outside the
  // table (RecordCount() + 1 only sets AtEOF), and "Error on Read of file %s"
  // when the record comes back short; on failure the current record and the
  // buffer stay as they were.
  virtual void GotoRecord(int position);
  // Appends the record buffer as a new last record (deletion flag blank),
  // followed by the end marker 0x1A, then rewrites the header.
  virtual void AppendRecord();
  // Writes the record buffer as record `n` in place, then rewrites the header;
  // appends when `n` is outside 1..RecordCount().
  virtual void WriteRecord(int n);
  // Raised at the points listed in TNotifyEvent; the base clears
  // RecordChanged() on kAfterRead and kAfterWrite. Overrides must call it.
  virtual void Notify(TNotifyEvent event, int value);

  bool LockHeader();
  bool LockAllRecords();
  bool LockTable();
  void UnlockTable();
  bool LockRecord(int n);

  // Flushes the file, then raises kAfterFlush.
  void Flush() override;
  void Rename(std::string_view new_name) override;

  // Closes the table now, writing a dirty header first; errors are reported
  // (the destructor does the same silently). The object is unusable after.
  void Close() override;

  // When shared: rereads the header and the count and notes changes by
  // others. Otherwise only clears ChangedByOthers().
  void RefreshHeader();
  // Rewrites the 32 header bytes (date, count, stamp, flags) when open for
  // writing, the header is dirty and no table lock is held.
  void WriteHeader();

  // The record buffer column operations work on: RecordLength() bytes (the
  // object's own buffer has one more, holding 0x1A).
  uint8_t* RecordBuffer() { return record_buffer_; }
  const uint8_t* RecordBuffer() const { return record_buffer_; }
  // Points the record buffer at `buffer` (at least RecordLength() bytes,
  // owned by the caller and kept alive until RestoreRecordBuffer), so reads
  // land in it and puts change it; the engine never touches a byte after
  // the record. nullptr is the same as RestoreRecordBuffer.
  void LendRecordBuffer(uint8_t* buffer);
  void RestoreRecordBuffer();
  bool RecordBufferLent() const { return record_buffer_ != own_buffer_.data(); }

  // Header and structure.
  const std::array<uint8_t, kHeaderSize>& Header() const { return header_; }
  uint8_t Version() const { return version_; }
  int HeaderLength() const { return header_length_; }
  int RecordLength() const { return record_length_; }
  int FieldCount() const { return static_cast<int>(descriptors_.size()); }
  // Columns in order; Descriptors()[n - 1] is column n.
  const std::vector<TDbfDescriptor>& Descriptors() const { return descriptors_; }
  // Upper-cased file name without directory and extension.
  const std::string& Alias() const { return alias_; }
  // File name without directory and extension, as it stands.
  const std::string& BaseFileName() const { return base_name_; }
  bool TableFlag(int bit) const { return (table_flags_ >> bit) & 1; }

  // Cursor state.
  int RecordCount() const { return record_count_; }
  int CurrentRecord() const { return current_record_; }
  bool AtEOF() const { return at_eof_; }
  bool AtBOF() const { return at_bof_; }
  bool CurrentDeleted() const { return record_buffer_[0] == kDeletedFlag; }

  // Change tracking. Flag 0 is the deletion flag, flag n column n.
  bool RecordChanged() const { return record_changed_; }
  bool ColumnChanged(int n) const;
  bool ChangedByOthers() const { return changed_by_others_; }
  uint32_t ChangeStamp() const { return change_stamp_; }

  // Settings the dataset pushes after opening.
  bool UseDeleted() const { return use_deleted_; }
  void SetUseDeleted(bool value) { use_deleted_ = value; }
  bool AutoFlush() const { return auto_flush_; }
  void SetAutoFlush(bool value) { auto_flush_ = value; }
  void SetWriterIdentity(int32_t value) { writer_identity_ = value; }

  // The clock header rewrites use; tests set a fixed one.
  void SetClock(std::function<LocalDateTime()> clock) { clock_ = std::move(clock); }

 protected:
  // For the layers above: cursor state and change tracking.
  void SetCurrentRecord(int n) { current_record_ = n; }
  void SetAtEOF(bool value) { at_eof_ = value; }
  void SetAtBOF(bool value) { at_bof_ = value; }
  void SetRecordChanged() { record_changed_ = true; }
  void MarkColumnChanged(int n);
  void MarkAllColumnsChanged();
  void ClearChangedColumns();
  // Byte offset of record `n` (from 1) in the file.
  int64_t RecordOffset(int n) const {
    return header_length_ + static_cast<int64_t>(n - 1) * record_length_;
  }

 private:
  void ReadStructure();
  void ReadRecordInto(int target);
  void CloseQuietly() noexcept;

  std::array<uint8_t, kHeaderSize> header_{};
  std::string alias_;
  std::string base_name_;
  bool header_dirty_ = false;
  int record_count_ = 0;
  int header_length_ = 0;
  int record_length_ = 0;
  std::vector<TDbfDescriptor> descriptors_;
  int current_record_ = 0;
  uint8_t* record_buffer_ = nullptr;
  std::vector<uint8_t> own_buffer_;
  std::vector<uint8_t> spare_buffer_;
  std::vector<uint8_t> changed_columns_;
  bool at_eof_ = false;
  bool at_bof_ = true;
  uint8_t version_ = 0;
  bool table_locked_ = false;
  uint8_t table_flags_ = 0;
  uint32_t change_stamp_ = 0;
  bool changed_by_others_ = false;
  bool record_changed_ = false;
  bool use_deleted_ = false;
  bool auto_flush_ = false;
  bool enciphered_ = false;
  int32_t writer_identity_ = 0;
  std::function<LocalDateTime()> clock_;
};

}  // namespace zakaz::dbf
