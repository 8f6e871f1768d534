#include "exchange/archive_bytes.h"

#include <archive.h>
#include <archive_entry.h>

#include <cstdint>
#include <stdexcept>

namespace zakaz::testing {
namespace {

uint32_t Crc32(const std::string& bytes) {
  uint32_t crc = 0xFFFFFFFFu;
  for (const char c : bytes) {
    crc ^= static_cast<unsigned char>(c);
    for (int bit = 0; bit < 8; ++bit) crc = (crc >> 1) ^ (0xEDB88320u & (0u - (crc & 1u)));
  }
  return ~crc;
}

void Put16(std::string& out, uint32_t value) {
  out += static_cast<char>(value & 0xFF);
  out += static_cast<char>((value >> 8) & 0xFF);
}

void Put32(std::string& out, uint32_t value) {
  Put16(out, value & 0xFFFF);
  Put16(out, value >> 16);
}

// A RAR 1.5-4.x header block: the low half of the CRC-32 of everything after
// the CRC field, then the block.
std::string Block(const std::string& after_crc) {
  std::string block;
  Put16(block, Crc32(after_crc) & 0xFFFF);
  return block + after_crc;
}

uint32_t DosTime(const std::tm& t) {
  const uint32_t date =
      static_cast<uint32_t>(((t.tm_year - 80) << 9) | ((t.tm_mon + 1) << 5) | t.tm_mday);
  const uint32_t time = static_cast<uint32_t>((t.tm_hour << 11) | (t.tm_min << 5) | (t.tm_sec / 2));
  return (date << 16) | time;
}

}  // namespace

time_t MemberTime(const ArchiveMember& member) {
  std::tm copy = member.time;
  copy.tm_isdst = -1;
  copy.tm_sec -= copy.tm_sec % 2;  // DOS times count in two-second steps
  return std::mktime(&copy);
}

std::string StoredRar(const std::vector<ArchiveMember>& members) {
  std::string rar("Rar!\x1A\x07\x00", 7);
  std::string main_header;
  main_header += '\x73';   // archive header
  Put16(main_header, 0);   // flags
  Put16(main_header, 13);  // header size
  Put16(main_header, 0);
  Put32(main_header, 0);
  rar += Block(main_header);
  for (const ArchiveMember& member : members) {
    std::string file_header;
    file_header += '\x74';       // file header
    Put16(file_header, 0x8000);  // a data area follows
    Put16(file_header, static_cast<uint32_t>(32 + member.name.size()));
    Put32(file_header, static_cast<uint32_t>(member.content.size()));  // packed
    Put32(file_header, static_cast<uint32_t>(member.content.size()));  // unpacked
    file_header += '\x00';                                             // made on MS-DOS
    Put32(file_header, Crc32(member.content));
    Put32(file_header, DosTime(member.time));
    file_header += '\x14';  // needs version 2.0
    file_header += '\x30';  // stored
    Put16(file_header, static_cast<uint32_t>(member.name.size()));
    Put32(file_header, 0x20);  // archive attribute
    file_header += member.name;
    rar += Block(file_header) + member.content;
  }
  std::string end;
  end += '\x7B';
  Put16(end, 0x4000);
  Put16(end, 7);
  return rar + Block(end);
}

std::string Zip(const std::vector<ArchiveMember>& members) {
  archive* writer = archive_write_new();
  archive_write_set_format_zip(writer);
  std::string bytes(1 << 20, '\0');
  size_t used = 0;
  if (archive_write_open_memory(writer, bytes.data(), bytes.size(), &used) != ARCHIVE_OK) {
    throw std::runtime_error(archive_error_string(writer));
  }
  for (const ArchiveMember& member : members) {
    archive_entry* entry = archive_entry_new();
    archive_entry_set_pathname(entry, member.name.c_str());
    archive_entry_set_filetype(entry, AE_IFREG);
    archive_entry_set_perm(entry, 0644);
    archive_entry_set_size(entry, static_cast<la_int64_t>(member.content.size()));
    archive_entry_set_mtime(entry, MemberTime(member), 0);
    archive_write_header(writer, entry);
    archive_write_data(writer, member.content.data(), member.content.size());
    archive_entry_free(entry);
  }
  archive_write_close(writer);
  archive_write_free(writer);
  bytes.resize(used);
  return bytes;
}

}  // namespace zakaz::testing
