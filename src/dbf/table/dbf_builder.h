// TDbfBuilder: collects column descriptors and writes a new, empty table file.
//
// CopyStructure uses it to give a saved order exactly the columns of the price
// list. Column names are upper-cased and cut to 10 characters, type letters
// upper-cased; D, L and the memo types get their fixed widths; C keeps widths
// above 255 (low byte in descriptor byte 16, high byte in 17). The file gets
// today's date, count 0 and zeros in header bytes 12-31. Write() creates the
// file (an existing one is replaced) and closes it again; nothing is written
// before, so a builder dropped without Write() leaves no file. Throws
// ETableError "Could not create file %s" or "Error writing to %s".
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace zakaz::dbf {

using TColumnDescriptor = std::array<uint8_t, 32>;

// The bytes of an empty table file: the 32-byte header (`version`, today's
// date, count 0, header and record lengths), `descriptors`, the header
// terminator, `trailer` zero bytes after it (the backlink area some
// versions carry) and the end-of-file marker. Every writer of a new table
// uses it, so they cannot disagree on the layout.
std::vector<uint8_t> EmptyTableImage(uint8_t version,
                                     const std::vector<TColumnDescriptor>& descriptors,
                                     int record_length, size_t trailer = 0);

class TDbfBuilder {
 public:
  // `file_name` is trimmed and gets ".DBF" when it has no extension.
  // `source_version` picks the version byte written when a memo column is
  // added (0x8B and 0xF5 keep their own, every other value gives 0x83); a
  // table without memo columns is always version 0x03.
  explicit TDbfBuilder(std::string_view file_name, uint8_t source_version = 0x03);
  TDbfBuilder(const TDbfBuilder&) = delete;
  TDbfBuilder& operator=(const TDbfBuilder&) = delete;

  // Adds a column; a column with an empty name is left out. For C, `width`
  // may be up to 65535; for other types it is one byte and `decimals` the
  // decimal count.
  void AddField(std::string_view name, char type, int width, int decimals);
  void Write();

  const std::string& FileName() const { return file_name_; }
  int RecordLength() const { return record_length_; }
  int FieldCount() const { return static_cast<int>(descriptors_.size()); }
  bool HasMemo() const { return has_memo_; }
  uint8_t Version() const { return has_memo_ ? memo_version_ : 0x03; }

 private:
  uint8_t memo_version_;
  std::string file_name_;
  std::string base_name_;
  bool has_memo_ = false;
  int record_length_ = 1;  // the deletion flag
  std::vector<TColumnDescriptor> descriptors_;
};

}  // namespace zakaz::dbf
