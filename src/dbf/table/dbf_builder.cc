#include "dbf/table/dbf_builder.h"

#include <algorithm>

#include "common/ascii_text.h"
#include "common/file_path.h"
#include "common/format_message.h"
#include "dbf/base/errors.h"
#include "dbf/table/dbf_file.h"
#include "dbf/table/disk_file.h"
#include "dbf/table/messages.h"

namespace zakaz::dbf {
namespace {

void PutLittleEndian(uint8_t* at, uint32_t value, int bytes) {
  for (int i = 0; i < bytes; ++i) at[i] = static_cast<uint8_t>(value >> (8 * i));
}

}  // namespace

std::vector<uint8_t> EmptyTableImage(uint8_t version,
                                     const std::vector<TColumnDescriptor>& descriptors,
                                     int record_length, size_t trailer) {
  const size_t count = descriptors.size();
  const size_t header_length = 32 * count + 33 + trailer;
  std::vector<uint8_t> image(header_length + 1, 0);
  const LocalDateTime today = LocalNow();
  image[0] = version;
  image[1] = static_cast<uint8_t>(today.year % 100);
  image[2] = static_cast<uint8_t>(today.month);
  image[3] = static_cast<uint8_t>(today.day);
  PutLittleEndian(&image[8], static_cast<uint32_t>(header_length), 2);
  PutLittleEndian(&image[10], static_cast<uint32_t>(record_length), 2);
  for (size_t i = 0; i < count; ++i) {
    std::copy(descriptors[i].begin(), descriptors[i].end(), image.begin() + 32 + 32 * i);
  }
  image[32 + 32 * count] = kHeaderTerminator;
  image[header_length] = kEndMarker;
  return image;
}

TDbfBuilder::TDbfBuilder(std::string_view file_name, uint8_t source_version)
    : memo_version_(source_version == kVersionMemo8B   ? kVersionMemo8B
                    : source_version == kVersionMemoF5 ? kVersionMemoF5
                                                       : kVersionMemo),
      file_name_(WithDefaultExtension(TrimSpaceOrControl(file_name), ".DBF")),
      base_name_(BaseName(file_name_)) {}

void TDbfBuilder::AddField(std::string_view name, char type, int width, int decimals) {
  if (name.empty()) return;
  std::array<uint8_t, 32> descriptor{};
  const size_t length = std::min<size_t>(name.size(), 10);
  for (size_t i = 0; i < length; ++i) descriptor[i] = static_cast<uint8_t>(AsciiUpper(name[i]));
  type = AsciiUpper(type);
  descriptor[11] = static_cast<uint8_t>(type);
  int column_width = width & 0xFF;
  switch (type) {
    case 'D':
      width = 8;
      decimals = 0;
      column_width = 8;
      break;
    case 'L':
      width = 1;
      decimals = 0;
      column_width = 1;
      break;
    case 'M':
    case 'B':
    case 'G':
      width = 10;
      decimals = 0;
      column_width = 10;
      has_memo_ = true;
      break;
    case 'C':
      // The width's high byte takes the place of the decimal count.
      decimals = (width >> 8) & 0xFF;
      column_width = (width & 0xFF) + 256 * decimals;
      break;
    default:
      break;
  }
  descriptor[16] = static_cast<uint8_t>(width & 0xFF);
  descriptor[17] = static_cast<uint8_t>(decimals & 0xFF);
  record_length_ += column_width;
  descriptors_.push_back(descriptor);
}

void TDbfBuilder::Write() {
  const size_t count = descriptors_.size();
  const size_t header_length = 32 * count + 33;
  TDiskFile file(file_name_);
  // Header and record lengths are 16-bit in the file; a structure that does
  // not fit cannot be written as a table.
  if (header_length > 0xFFFF || record_length_ > 0xFFFF) {
    throw ETableError(FormatMessage(kCouldNotCreate, {file.Path()}));
  }
  file.Create();
  const std::vector<uint8_t> image = EmptyTableImage(Version(), descriptors_, record_length_);
  file.WriteAt(0, image.data(), image.size());
  file.Close();
}

}  // namespace zakaz::dbf
